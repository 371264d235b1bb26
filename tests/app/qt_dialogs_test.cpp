#include "app/qt_dialogs.h"

#include "tests/app/app_test_support.h"
#include "tests/support/qt_print.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// What the open box looked like, and the answer given to it.
struct Seen {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
    Qt::TextFormat format = Qt::AutoText;
};

QMessageBox *openBox()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
            return box;
    return nullptr;
}

// Runs `open`, and once the box is up records it and answers it with `answer`. A watchdog
// closes the box if the answer left it open, so a failing case never hangs the tests; it lives
// only as long as this call, so it can never touch the box of a later case.
Seen whileOpen(const std::function<void()> &open, const std::function<void(QMessageBox &)> &answer)
{
    Seen seen;
    QPointer<QMessageBox> answered;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    watchdog.setInterval(3000);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        if (answered && answered->isVisible()) {
            ADD_FAILURE() << "box left open";
            answered->done(0);
        }
    });
    QTimer poll;
    poll.setInterval(5);
    int polls = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        // Keys go to the box once it is the active window, however long a loaded machine takes.
        QMessageBox *box = openBox();
        if (!box || (!box->isActiveWindow() && ++polls < 600))
            return;
        poll.stop();
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.format = box->textFormat();
        for (QAbstractButton *b : box->buttons())
            seen.buttons << b->text();
        if (box->defaultButton())
            seen.defaultButton = box->defaultButton()->text();
        answered = box;
        answer(*box);
        watchdog.start();
    });
    poll.start();
    open();
    return seen;
}

class QtDialogsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureQtApplication(); }
    QtDialogs dialogs;
};

TEST_F(QtDialogsTest, ConfirmationIsTrueOnlyForYes)
{
    struct Case {
        const char *how;
        std::function<void(QMessageBox &)> answer;
        bool result;
    };
    const Case cases[] = {
        {"Enter", [](QMessageBox &b) { QTest::keyClick(&b, Qt::Key_Return); }, true},
        {"Y", [](QMessageBox &b) { QTest::keyClick(&b, Qt::Key_Y, Qt::AltModifier); }, true},
        {"Escape", [](QMessageBox &b) { QTest::keyClick(&b, Qt::Key_Escape); }, false},
        {"close button", [](QMessageBox &b) { b.close(); }, false},
        {"No", [](QMessageBox &b) { b.buttons().at(1)->click(); }, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.how);
        bool result = !c.result;
        const Seen seen =
            whileOpen([&] { result = dialogs.AskConfirmation(QStringLiteral("Seguro ?")); }, c.answer);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(seen.title, QStringLiteral("Confirm"));
        EXPECT_EQ(seen.text, QStringLiteral("Seguro ?"));
        EXPECT_EQ(seen.icon, QMessageBox::Question);
        EXPECT_EQ(seen.buttons, (QStringList{"&Yes", "&No"}));
        EXPECT_EQ(seen.defaultButton, QStringLiteral("&Yes"));
    }
}

TEST_F(QtDialogsTest, InformationAndErrorBoxesHaveOneOk)
{
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        const Seen info = whileOpen([&] { dialogs.ShowInformation(QStringLiteral("Atención !!!")); },
                                    [key](QMessageBox &b) { QTest::keyClick(&b, key); });
        EXPECT_EQ(info.title, QStringLiteral("Information"));
        EXPECT_EQ(info.text, QStringLiteral("Atención !!!"));
        EXPECT_EQ(info.icon, QMessageBox::Information);
        EXPECT_EQ(info.buttons, QStringList{"OK"});
    }
    const Seen error =
        whileOpen([&] { dialogs.ShowError(QStringLiteral("Retenciones"), QStringLiteral("Disk full.")); },
                  [](QMessageBox &b) { b.close(); });
    EXPECT_EQ(error.title, QStringLiteral("Retenciones"));
    EXPECT_EQ(error.text, QStringLiteral("Disk full."));
    EXPECT_EQ(error.icon, QMessageBox::Critical);
    EXPECT_EQ(error.buttons, QStringList{"OK"});
}

TEST_F(QtDialogsTest, EveryBoxShowsItsTextAsPlainText)
{
    // A conversion error quoting what was pasted into an amount box.
    const QString text = QStringLiteral("'<b>5</b>' is not a valid floating point value.");
    const std::function<void()> boxes[] = {
        [&] { dialogs.ShowInformation(text); },
        [&] { dialogs.ShowInformationWithDetails(text, QStringLiteral("<i>1</i>")); },
        [&] { dialogs.AskConfirmation(text); },
        [&] { dialogs.ShowError(QStringLiteral("Retenciones"), text); },
    };
    for (const auto &open : boxes) {
        const Seen seen = whileOpen(open, [](QMessageBox &b) { QTest::keyClick(&b, Qt::Key_Escape); });
        EXPECT_EQ(seen.text, text);
        EXPECT_EQ(seen.format, Qt::PlainText);
    }
}

} // namespace

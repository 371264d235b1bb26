#include "app/exit_tracker.h"

#include "app/handler_guard.h"
#include "app/masked_edit.h"
#include "app/qt_dialogs.h"
#include "common/errors.h"
#include "tests/app/app_test_support.h"
#include "tests/support/qt_print.h"
#include "tests/support/scripted_dialogs.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A window of the tests' own: boxes A, B and C, a masked box M and a button P, each box with
// an exit check that records its name and then does what the test asks.
class ExitTrackerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureQtApplication(); }

    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(400, 200);
        for (auto [box, name] : {std::pair{&a, "A"}, {&b, "B"}, {&c, "C"}}) {
            *box = new QLineEdit(window.get());
            (*box)->setObjectName(QString::fromLatin1(name));
        }
        m = new MaskedEdit(window.get());
        m->setObjectName(QStringLiteral("M"));
        m->setEditMask(QStringLiteral("!99/99/0000;0;_"));
        p = new QPushButton(QStringLiteral("P"), window.get());
        for (QWidget *w : {static_cast<QWidget *>(a), static_cast<QWidget *>(b), static_cast<QWidget *>(c),
                           static_cast<QWidget *>(m), static_cast<QWidget *>(p)})
            w->setGeometry(10, 10 + 30 * int(window->children().indexOf(w)), 120, 24);
        QObject::connect(p, &QPushButton::clicked, [this] { ++clicks; });

        guard.setCleanup([this] { ++cleanups; });
        tracker = new ExitTracker(window.get(), guard, [this] { ++beeps; });
        for (QWidget *w : {static_cast<QWidget *>(a), static_cast<QWidget *>(b), static_cast<QWidget *>(c),
                           static_cast<QWidget *>(m)})
            tracker->setExitHandler(w, [this, w] {
                ran << w->objectName();
                if (const auto check = checks.find(w); check != checks.end())
                    check->second();
            });
        ASSERT_TRUE(showActive(*window));
        a->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), a);
    }

    // The check of A fails: a message, then the focus back on A.
    void failA()
    {
        checks[a] = [this] {
            dialogs.ShowInformation(QStringLiteral("Atención !!!"));
            a->setFocus();
        };
    }

    ScriptedDialogs dialogs;
    HandlerGuard guard{dialogs, QStringLiteral("Retenciones")};
    std::unique_ptr<QWidget> window;
    QLineEdit *a = nullptr, *b = nullptr, *c = nullptr;
    MaskedEdit *m = nullptr;
    QPushButton *p = nullptr;
    ExitTracker *tracker = nullptr;
    std::map<QWidget *, std::function<void()>> checks;
    QStringList ran;
    int beeps = 0, cleanups = 0, clicks = 0;
};

TEST_F(ExitTrackerTest, LeavingAControlRunsItsCheckOnly)
{
    QTest::keyClick(a, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), b);
    EXPECT_EQ(tracker->activeControl(), b);
    EXPECT_EQ(ran, QStringList{"A"});

    c->setFocus(); // a move made by the program is an exit too
    EXPECT_EQ(ran, (QStringList{"A", "B"}));
}

TEST_F(ExitTrackerTest, ACheckThatPutsTheFocusBackCancelsTheMoveHoweverItWasMade)
{
    const std::function<void()> moves[] = {
        [this] { QTest::keyClick(a, Qt::Key_Tab); },
        [this] { QTest::mouseClick(b, Qt::LeftButton); },
        [this] { b->setFocus(); },
    };
    int round = 0;
    for (const auto &move : moves) {
        SCOPED_TRACE(round++);
        ran.clear();
        dialogs.clear();
        failA();
        move();
        EXPECT_EQ(QApplication::focusWidget(), a);
        EXPECT_EQ(tracker->activeControl(), a);
        // One message: the box that briefly had the focus never ran its own check.
        EXPECT_EQ(ran, QStringList{"A"});
        EXPECT_EQ(dialogs.informations().size(), 1);
    }
}

TEST_F(ExitTrackerTest, AnotherWindowTakingTheFocusIsNoExit)
{
    QWidget other;
    auto *otherBox = new QLineEdit(&other);
    // A message box of A's own check takes the focus while it is open, as a real one does.
    dialogs.whileOpen = [&](const ScriptedDialogs::Call &) {
        ASSERT_TRUE(showActive(other));
        otherBox->setFocus();
        other.hide();
        ASSERT_TRUE(showActive(*window));
    };
    failA();
    QTest::keyClick(a, Qt::Key_Tab);
    EXPECT_EQ(ran, QStringList{"A"});
    EXPECT_EQ(tracker->activeControl(), a);

    // The help window or a file dialog in between: nothing runs, on the way out or back.
    ran.clear();
    dialogs.whileOpen = nullptr;
    ASSERT_TRUE(showActive(other));
    otherBox->setFocus();
    ASSERT_TRUE(showActive(*window));
    EXPECT_EQ(QApplication::focusWidget(), a);
    EXPECT_TRUE(ran.isEmpty());
    EXPECT_EQ(tracker->activeControl(), a);
}

// A command that asks first and then sends the clerk elsewhere (the reset after its question):
// the focus is placed while the box still has the keyboard and arrives when the window is
// active again. That arrival is no exit of the control the clerk was in before the box.
TEST_F(ExitTrackerTest, AControlChosenWhileAnotherWindowIsUpIsTakenOverWithoutACheck)
{
    QWidget other;
    auto *otherBox = new QLineEdit(&other);
    ASSERT_TRUE(showActive(other));
    otherBox->setFocus();
    b->setFocus();
    other.hide();
    ASSERT_TRUE(showActive(*window));

    EXPECT_EQ(QApplication::focusWidget(), b);
    EXPECT_TRUE(ran.isEmpty());
    EXPECT_EQ(tracker->activeControl(), b);
    // From there on B is the control being left.
    QTest::keyClick(b, Qt::Key_Tab);
    EXPECT_EQ(ran, QStringList{"B"});
}

TEST_F(ExitTrackerTest, WithARealMessageBoxTheFocusComesBackAfterTheBoxHasClosed)
{
    QtDialogs real;
    QWidget *focusWhileOpen = nullptr;
    checks[a] = [&] {
        // Answer the box once it is up and active, however long a loaded machine takes.
        QTimer poll;
        poll.setInterval(10);
        int polls = 0;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || (!box->isActiveWindow() && ++polls < 300))
                return;
            poll.stop();
            focusWhileOpen = QApplication::focusWidget();
            QTest::keyClick(box, Qt::Key_Return);
        });
        poll.start();
        real.ShowInformation(QStringLiteral("Atención !!!"));
        a->setFocus();
    };
    QTest::keyClick(a, Qt::Key_Tab);
    QTest::qWait(20);
    EXPECT_NE(focusWhileOpen, nullptr);
    EXPECT_NE(focusWhileOpen, b);
    EXPECT_EQ(window->focusWidget(), a);
    EXPECT_EQ(tracker->activeControl(), a);
    // The window takes the keyboard back when it is active again; nothing else runs then.
    ASSERT_TRUE(showActive(*window));
    EXPECT_EQ(QApplication::focusWidget(), a);
    EXPECT_EQ(ran, QStringList{"A"});
}

TEST_F(ExitTrackerTest, ACheckThatMovesTheFocusElsewhereTakesTheClerkThere)
{
    checks[a] = [this] { c->setFocus(); };
    QTest::keyClick(a, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), c);
    EXPECT_EQ(tracker->activeControl(), c);
    EXPECT_EQ(ran, QStringList{"A"});
}

TEST_F(ExitTrackerTest, AnErrorEndsTheCheckClosesFilesAndShowsTheDefaultErrorBox)
{
    bool finished = false;
    checks[a] = [&] {
        throw ConversionError(QStringLiteral("''1x'' is not a valid integer value"));
        finished = true;
    };
    QTest::keyClick(a, Qt::Key_Tab);
    EXPECT_FALSE(finished);
    EXPECT_EQ(cleanups, 1);
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].kind, ScriptedDialogs::Kind::Error);
    EXPECT_EQ(dialogs.calls[0].title, QStringLiteral("Retenciones"));
    EXPECT_EQ(dialogs.calls[0].text, QStringLiteral("''1x'' is not a valid integer value."));
    // No focus return: the focus stays where the clerk sent it.
    EXPECT_EQ(QApplication::focusWidget(), b);
    EXPECT_EQ(tracker->activeControl(), b);
}

TEST_F(ExitTrackerTest, AMaskedBoxTypedIntoAndIncompleteRefusesTheMoveBeforeItsCheck)
{
    struct Case {
        const char *typed; // nullptr: left untouched
        bool refused;
    };
    const Case cases[] = {{"1503201", true}, {"15", true}, {nullptr, false}, {"15032017", false}};
    for (const Case &t : cases) {
        SCOPED_TRACE(t.typed ? t.typed : "untouched");
        ran.clear();
        dialogs.clear();
        beeps = 0;
        m->setText(QString());
        m->setFocus();
        ran.clear();
        m->setCursorPosition(0);
        if (t.typed)
            QTest::keyClicks(m, QString::fromLatin1(t.typed));
        QTest::keyClick(m, Qt::Key_Tab);
        if (t.refused) {
            EXPECT_EQ(QApplication::focusWidget(), m);
            EXPECT_EQ(beeps, 1);
            EXPECT_EQ(dialogs.errors(),
                      QStringList{"Invalid input value.  Use escape key to abandon changes."});
            EXPECT_TRUE(ran.isEmpty());
        } else {
            EXPECT_NE(QApplication::focusWidget(), m);
            EXPECT_EQ(beeps, 0);
            EXPECT_TRUE(dialogs.calls.empty());
            EXPECT_EQ(ran, QStringList{"M"});
        }
    }
}

TEST_F(ExitTrackerTest, AClickOnAButtonWhoseMoveWasCancelledDoesNotClickIt)
{
    failA();
    QTest::mouseClick(p, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), a);
    EXPECT_EQ(clicks, 0);

    checks.clear();
    QTest::mouseClick(p, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), p);
    EXPECT_EQ(clicks, 1);
}

TEST(HandlerGuard, ShowsEveryKindOfErrorInTheDefaultErrorBox)
{
    struct Case {
        std::function<void()> raise;
        QString shown;
    };
    const Case cases[] = {
        {[] { throw ConversionError(QStringLiteral("'12,5' is not a valid floating point value")); },
         "'12,5' is not a valid floating point value."},
        {[] { throw IoError(5); }, "File access denied."},
        {[] { throw IoError(3); }, "Invalid file name - %s."},
        {[] { throw ArithmeticError(QStringLiteral("Floating point overflow")); },
         "Floating point overflow."},
        {[] { throw AppError(QStringLiteral("Atención !!!")); }, "Atención !!!"},
        {[] { throw std::runtime_error("out of memory"); }, "out of memory."},
    };
    for (const Case &c : cases) {
        ScriptedDialogs dialogs;
        HandlerGuard guard(dialogs, QStringLiteral("Retenciones"));
        int cleanups = 0;
        guard.setCleanup([&] { ++cleanups; });
        EXPECT_FALSE(guard.run(c.raise));
        EXPECT_EQ(cleanups, 1);
        ASSERT_EQ(dialogs.calls.size(), 1u);
        EXPECT_EQ(dialogs.calls[0].kind, ScriptedDialogs::Kind::Error);
        EXPECT_EQ(dialogs.calls[0].title, QStringLiteral("Retenciones"));
        EXPECT_EQ(dialogs.calls[0].text, c.shown);
    }
}

TEST(HandlerGuard, AHandlerThatEndsNormallyShowsNothing)
{
    ScriptedDialogs dialogs;
    HandlerGuard guard(dialogs, QStringLiteral("Retenciones"));
    int cleanups = 0;
    guard.setCleanup([&] { ++cleanups; });
    EXPECT_TRUE(guard.run([] {}));
    EXPECT_EQ(cleanups, 0);
    EXPECT_TRUE(dialogs.calls.empty());
}

} // namespace

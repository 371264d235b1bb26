#include "tests/app/window_fixture.h"

#include "tests/support/qt_print.h"

#include <QFrame>
#include <QPushButton>
#include <QTableView>

namespace {

const QString LegajoNotFound = QStringLiteral("Atención Legajo no existente !!!");
const QString MonthError = QStringLiteral("Atención error en el nro de mes !!!");
const QString YearError = QStringLiteral("Atención error en el año !!!");
const QString CuitMissing = QStringLiteral("Atención Debe ingresar un CUIT !!!");
const QString RazonError = QStringLiteral("Atención error en Razón Social !!!");

using Move = WindowTest::Move;
const Move AllMoves[] = {Move::Tab, Move::Enter, Move::Mouse, Move::Program};
const char *const MoveNames[] = {"Tab", "Enter", "mouse", "program"};

class HeaderEntry : public WindowTest {
protected:
    bool headerLocked() const { return !w->Panel1->isEnabled() && w->Panel3->isVisible(); }
};

TEST_F(HeaderEntry, KnownLegajoFillsCuitAndNameWhateverMovesTheFocus)
{
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(MoveNames[i]);
        w->Limpia();
        w->e_Mes->setText(QStringLiteral("07"));
        w->E_ano->setText(QStringLiteral("2017"));
        dialogs.clear();
        type(w->e_legaJo, QStringLiteral("415"));
        move(AllMoves[i], w->e_legaJo, w->e_Mes);

        EXPECT_TRUE(dialogs.calls.empty());
        EXPECT_EQ(w->e_Cuit->text(), QStringLiteral("20-43818624-8"));
        EXPECT_EQ(w->e_Razon->text(), QStringLiteral("LUNA JUAN CARLOS"));
        EXPECT_EQ(w->e_Mes->text(), QStringLiteral("07"));
        EXPECT_EQ(w->E_ano->text(), QStringLiteral("2017"));
        EXPECT_EQ(focused(), w->e_Mes);
        w->e_legaJo->setFocus();
    }
}

TEST_F(HeaderEntry, UnknownLegajoEmptiesTheHeaderInOrderAndKeepsTheFocus)
{
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(MoveNames[i]);
        w->Limpia();
        type(w->e_legaJo, QStringLiteral("512"));
        move(Move::Program, w->e_legaJo, w->e_Mes);
        ASSERT_FALSE(w->e_Cuit->text().isEmpty());
        w->e_Mes->setText(QStringLiteral("3"));
        w->E_ano->setText(QStringLiteral("2016"));
        w->e_legaJo->setFocus();
        w->e_legaJo->setText(QStringLiteral("9999"));

        QStringList emptied;
        for (QLineEdit *box : {w->e_Razon, static_cast<QLineEdit *>(w->e_Cuit), w->e_Mes, w->E_ano})
            QObject::connect(box, &QLineEdit::textChanged, w.get(), [&emptied, box](const QString &text) {
                if (text.isEmpty())
                    emptied << box->objectName();
            });
        dialogs.clear();
        move(AllMoves[i], w->e_legaJo, w->e_Mes);

        EXPECT_EQ(dialogs.informations(), QStringList{LegajoNotFound});
        EXPECT_EQ(emptied, (QStringList{"e_Razon", "e_Cuit", "e_Mes", "E_ano"}));
        EXPECT_EQ(w->e_legaJo->text(), QStringLiteral("9999"));
        EXPECT_EQ(focused(), w->e_legaJo);
        EXPECT_TRUE(w->Panel1->isEnabled());
        for (QLineEdit *box : {w->e_Razon, static_cast<QLineEdit *>(w->e_Cuit), w->e_Mes, w->E_ano})
            QObject::disconnect(box, &QLineEdit::textChanged, w.get(), nullptr);
    }
}

TEST_F(HeaderEntry, LookupIsOnTheTrimmedTextAndRunsOnEveryExit)
{
    struct Case {
        const char *legajo;
        bool found;
        const char *cuit;
    };
    const Case cases[] = {
        {"0512", false, ""},
        {" 512 ", true, "20-17454372-1"}, // pasted with blanks
        {"12345", true, "20-13621924-4"},
        {"", true, ""},
        {"   ", true, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.legajo);
        w->Limpia();
        // A former agent is replaced, or cleared by an empty legajo.
        w->e_Cuit->setText(QStringLiteral("30-00000000-0"));
        w->e_Razon->setText(QStringLiteral("ANTERIOR"));
        dialogs.clear();
        w->e_legaJo->setText(QString::fromLatin1(c.legajo));
        move(Move::Tab, w->e_legaJo, w->e_Mes);
        EXPECT_EQ(dialogs.informations(), c.found ? QStringList() : QStringList{LegajoNotFound});
        EXPECT_EQ(w->e_Cuit->text(), QString::fromLatin1(c.cuit));
        EXPECT_EQ(focused(), c.found ? static_cast<QWidget *>(w->e_Mes) : w->e_legaJo);
    }

    // Unchanged text is looked up again.
    w->Limpia();
    type(w->e_legaJo, QStringLiteral("415"));
    move(Move::Tab, w->e_legaJo, w->e_Mes);
    w->e_Cuit->setText(QString());
    w->e_Mes->setText(QStringLiteral("3"));
    w->e_legaJo->setFocus();
    move(Move::Tab, w->e_legaJo, w->e_Mes);
    EXPECT_EQ(w->e_Cuit->text(), QStringLiteral("20-43818624-8"));
}

TEST_F(HeaderEntry, MonthCheck)
{
    struct Case {
        const char *text;
        bool pasted;
        int messages;
        bool conversionError;
    };
    const Case cases[] = {
        {"13", false, 1, false}, {"0", false, 1, false},          {"00", false, 1, false},
        {"", false, 1, false},   {"07", false, 0, false},         {"1", false, 0, false},
        {"12", false, 0, false}, {"003", false, 0, false},        {" ", true, 1, false},
        {"1a", true, 0, true},   {"99999999999", false, 0, true},
    };
    for (const Case &c : cases) {
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(QString("%1 by %2").arg(c.text, MoveNames[i]).toStdString());
            w->Limpia();
            move(Move::Tab, w->e_legaJo, w->e_Mes);
            if (c.pasted)
                w->e_Mes->setText(QString::fromLatin1(c.text));
            else
                type(w->e_Mes, QString::fromLatin1(c.text));
            dialogs.clear();
            move(AllMoves[i], w->e_Mes, w->E_ano);

            EXPECT_EQ(dialogs.informations(), QStringList(c.messages, MonthError));
            EXPECT_EQ(dialogs.errors().size(), c.conversionError ? 1u : 0u);
            EXPECT_EQ(w->e_Mes->text(), QString::fromLatin1(c.text));
            EXPECT_EQ(focused(), c.messages ? static_cast<QWidget *>(w->e_Mes) : w->E_ano);
            EXPECT_TRUE(w->Panel1->isEnabled());
        }
    }
}

TEST_F(HeaderEntry, YearCheckLocksTheHeaderWhenAccepted)
{
    struct Case {
        const char *text;
        bool pasted;
        bool accepted;
        bool conversionError;
    };
    const Case cases[] = {
        {"2014", false, false, false}, {"2026", false, false, false}, {"", false, false, false},
        {"2015", false, true, false},  {"2025", false, true, false},  {"02017", false, true, false},
        {"20x7", true, false, true},
    };
    for (const Case &c : cases) {
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(QString("%1 by %2").arg(c.text, MoveNames[i]).toStdString());
            w->Limpia();
            w->Panel3->hide();
            w->E_ano->setFocus();
            if (c.pasted)
                w->E_ano->setText(QString::fromLatin1(c.text));
            else
                type(w->E_ano, QString::fromLatin1(c.text));
            dialogs.clear();
            move(AllMoves[i], w->E_ano, w->Grilla);

            const bool refused = !c.accepted && !c.conversionError;
            EXPECT_EQ(dialogs.informations(), refused ? QStringList{YearError} : QStringList());
            EXPECT_EQ(dialogs.errors().size(), c.conversionError ? 1u : 0u);
            EXPECT_EQ(headerLocked(), c.accepted);
            EXPECT_EQ(w->Panel1->isEnabled(), !c.accepted);
            EXPECT_EQ(w->E_ano->text(), QString::fromLatin1(c.text));
            EXPECT_EQ(focused(), refused ? static_cast<QWidget *>(w->E_ano) : w->Grilla);
        }
    }
}

TEST_F(HeaderEntry, GoingBackFromAnEmptyMonthRunsTheMonthCheckFirst)
{
    for (Move how : {Move::Mouse, Move::Program}) {
        w->Limpia();
        move(Move::Tab, w->e_legaJo, w->e_Mes);
        dialogs.clear();
        move(how, w->e_Mes, w->e_legaJo);
        EXPECT_EQ(dialogs.informations(), QStringList{MonthError});
        EXPECT_EQ(focused(), w->e_Mes);
    }
    w->Limpia();
    move(Move::Tab, w->e_legaJo, w->e_Mes);
    dialogs.clear();
    QTest::keyClick(w->e_Mes, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(dialogs.informations(), QStringList{MonthError});
    EXPECT_EQ(focused(), w->e_Mes);
}

TEST_F(HeaderEntry, FromTheEmptyLegajoAtStartUpAnyControlTakesTheFocusSilently)
{
    const QList<QWidget *> targets = {w->e_Mes, w->E_ano, w->Grilla, w->e_totreten};
    for (QWidget *target : targets) {
        SCOPED_TRACE(target->objectName().toStdString());
        w->Limpia();
        dialogs.clear();
        QTest::mouseClick(target, Qt::LeftButton);
        EXPECT_TRUE(dialogs.calls.empty());
        EXPECT_EQ(focused(), target);
        EXPECT_TRUE(w->e_Cuit->text().isEmpty());
        EXPECT_TRUE(w->e_Razon->text().isEmpty());
    }
}

TEST_F(HeaderEntry, YearAcceptedWithoutLegajoOrMonthStillLocks)
{
    // Month skipped with the mouse, legajo left empty.
    QTest::mouseClick(w->E_ano, Qt::LeftButton);
    type(w->E_ano, QStringLiteral("2017"));
    QTest::keyClick(w->E_ano, Qt::Key_Tab);
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_TRUE(headerLocked());
    EXPECT_TRUE(w->e_legaJo->text().isEmpty());
    EXPECT_TRUE(w->e_Mes->text().isEmpty());
    EXPECT_TRUE(w->e_Cuit->text().isEmpty());
}

// The read-only boxes remind of a missing agent but never hold the clerk.
TEST_F(HeaderEntry, ReadOnlyBoxesCanAlwaysBeLeft)
{
    struct Case {
        const char *name;
        bool clickCuit;
        const char *legajo;
        QStringList messages;
    };
    const Case cases[] = {
        {"empty CUIT to month", true, "", {CuitMissing}}, {"empty name to grid", false, "", {RazonError}},
        {"empty CUIT back to legajo", true, "", {}},      {"empty name back to legajo", false, "", {}},
        {"agent found, CUIT to month", true, "415", {}},  {"agent found, name to month", false, "415", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        w->Limpia();
        w->e_legaJo->setText(QString::fromLatin1(c.legajo));
        QLineEdit *readOnly = c.clickCuit ? static_cast<QLineEdit *>(w->e_Cuit) : w->e_Razon;
        QTest::mouseClick(readOnly, Qt::LeftButton);
        ASSERT_EQ(focused(), readOnly);
        QWidget *target = QString(c.name).contains("legajo") ? static_cast<QWidget *>(w->e_legaJo)
                          : QString(c.name).contains("grid") ? static_cast<QWidget *>(w->Grilla)
                                                             : w->e_Mes;
        dialogs.clear();
        QTest::mouseClick(target, Qt::LeftButton);
        EXPECT_EQ(dialogs.informations(), c.messages);
        EXPECT_EQ(focused(), target);
        EXPECT_TRUE(w->Panel1->isEnabled());
        EXPECT_FALSE(w->Panel3->isVisible());
    }
}

} // namespace

namespace {
// The reset empties the box the clerk is in; its check must not hold him there.
TEST_F(HeaderEntry, ResetFromAnyHeaderBoxTakesTheClerkToTheLegajoSilently)
{
    for (QLineEdit *box : {w->e_Mes, w->E_ano, w->e_legaJo}) {
        SCOPED_TRACE(box->objectName().toStdString());
        w->e_legaJo->setText(QStringLiteral("9999"));
        box->setFocus();
        dialogs.clear();
        dialogs.confirmations = {true};
        QTest::keyClick(box, Qt::Key_Escape);
        EXPECT_EQ(dialogs.informations(), QStringList());
        EXPECT_EQ(focused(), w->e_legaJo);
        EXPECT_TRUE(w->e_legaJo->text().isEmpty());
    }
}
} // namespace

namespace {
// Leaving the year for a box of the header itself locks the header under the focus.
TEST_F(HeaderEntry, YearAcceptedByClickingBackIntoTheHeader)
{
    for (QWidget *target : {static_cast<QWidget *>(w->e_legaJo), static_cast<QWidget *>(w->e_Mes)}) {
        SCOPED_TRACE(target->objectName().toStdString());
        w->Limpia();
        w->Panel3->hide();
        w->e_Mes->setText(QStringLiteral("3"));
        w->E_ano->setFocus();
        type(w->E_ano, QStringLiteral("2017"));
        dialogs.clear();
        QTest::mouseClick(target, Qt::LeftButton);
        EXPECT_TRUE(dialogs.calls.empty());
        EXPECT_FALSE(w->Panel1->isEnabled());
        EXPECT_TRUE(w->Panel3->isVisible());
        EXPECT_EQ(focused(), w->Grilla);
    }
}
} // namespace

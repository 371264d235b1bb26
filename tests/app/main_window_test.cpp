#include "app/tf_retenciones.h"

#include "app/exit_tracker.h"
#include "app/masked_edit.h"
#include "app/tf_ayuda.h"
#include "common/errors.h"
#include "tests/app/window_fixture.h"
#include "tests/support/qt_print.h"
#include "tests/support/scripted_dialogs.h"
#include "withholdings/grid_model.h"

#include <QClipboard>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString ResetQuestion = QStringLiteral("Esta seguro de Limpiar todo lo Ingresado ?");

class MainWindow : public WindowTest {
protected:
    // Moves the focus by program, as the clerk would by clicking, checks included.
    void focus(QWidget *widget) { widget->setFocus(Qt::MouseFocusReason); }

    // The state manual entry reaches, set up directly: the handlers that lead there are
    // not this window's concern here.
    void enterManualEntry()
    {
        w->Panel1->setEnabled(false);
        w->Panel3->hide();
        w->Panel2->show();
        w->B_Confirma->setEnabled(true);
        focus(w->empresa);
        w->e_legaJo->setText(QStringLiteral("512"));
        w->e_Mes->setText(QStringLiteral("3"));
        w->E_ano->setText(QStringLiteral("2017"));
        w->e_Cuit->setText(QStringLiteral("30-12345678-9"));
        w->e_Razon->setText(QStringLiteral("ACME SA"));
        w->E_Comprobante->setText(QStringLiteral("123"));
        w->Impo_compro->setText(QStringLiteral("1000.00"));
        w->E_Importe->setText(QStringLiteral("5"));
        w->empresa->setText(QStringLiteral("PROVEEDOR"));
        for (int row : {1, 2, 500})
            for (int column = 0; column < 7; ++column)
                w->gridModel->setCell(row, column, QStringLiteral("%1").arg(row));
        w->e_totreten->setText(QStringLiteral("67"));
        w->salida->setText(QStringLiteral("SU ARCHIVOS(TXT y PDF)FUERON GENERADOS EN  /tmp/1703000512"));
        w->salida->show();
    }

    // Everything a reset may change, to compare before and after.
    QStringList snapshot() const
    {
        QStringList s;
        for (QLineEdit *box : w->findChildren<QLineEdit *>())
            s << box->objectName() + "=" + box->text();
        for (QWidget *panel : {static_cast<QWidget *>(w->Panel1), static_cast<QWidget *>(w->Panel2),
                               static_cast<QWidget *>(w->Panel3), static_cast<QWidget *>(w->salida)})
            s << panel->objectName() + QString(" %1 %2").arg(panel->isVisible()).arg(panel->isEnabled());
        s << QString("confirm %1").arg(w->B_Confirma->isEnabled()) << w->salida->text();
        for (int row = 0; row <= w->gridModel->lastRow(); ++row)
            for (int column = 0; column < GridModel::ColumnCount; ++column)
                if (!w->gridModel->cell(row, column).isEmpty())
                    s << QString("%1,%2=").arg(row).arg(column) + w->gridModel->cell(row, column);
        return s;
    }
};

TEST_F(MainWindow, EveryControlHasItsNamePlaceSizeAndText)
{
    struct Case {
        const char *name, *parent;
        int x, y, width, height;
        const char *text;
    };
    const Case cases[] = {
        {"Image2", "F_Retenciones", 0, 0, 213, 107, nullptr},
        {"Image1", "F_Retenciones", 732, 0, 232, 107, nullptr},
        {"StaticText11", "F_Retenciones", 300, 8, 408, 23, "DECLARACION JURADA AGENTES DE RETENCION"},
        {"Panel1", "F_Retenciones", 169, 85, 592, 80, nullptr},
        {"Panel3", "F_Retenciones", 151, 171, 634, 78, nullptr},
        {"Panel2", "F_Retenciones", 33, 255, 856, 160, nullptr},
        {"BitBtn2", "F_Retenciones", 33, 421, 77, 25, "Ayuda"},
        {"Grilla", "F_Retenciones", 138, 421, 708, 129, nullptr},
        {"B3", "F_Retenciones", 3, 467, 129, 25, "LIMPIA / REINICIA TODO"},
        {"e_totreten", "F_Retenciones", 283, 556, 102, 21, "0"},
        {"StaticText13", "F_Retenciones", 141, 560, 117, 17, "Total Retenciones ==>"},
        {"B_Confirma", "F_Retenciones", 398, 585, 126, 39, "CONFIRMA"},
        {"B_Constancias", "F_Retenciones", 536, 599, 112, 25, "Constancias (F8)"},
        {"B_Anteriores", "F_Retenciones", 3, 497, 129, 25, "Anteriores (F7)"},
        {"StaticText12", "F_Retenciones", 823, 585, 66, 17, "Versión 5.0"},
        {"salida", "F_Retenciones", 0, 630, 933, 20, ""},
        {"StaticText1", "Panel1", 9, 9, 103, 20, "Legajo Municipal "},
        {"e_legaJo", "Panel1", 125, 8, 68, 21, ""},
        {"StaticText2", "Panel1", 199, 9, 121, 20, "Mes Retención (Nro)"},
        {"e_Mes", "Panel1", 326, 8, 66, 21, ""},
        {"StaticText3", "Panel1", 412, 9, 86, 20, "Año Retención"},
        {"E_ano", "Panel1", 504, 7, 63, 21, ""},
        {"StaticText4", "Panel1", 11, 49, 91, 20, "Cuit Declarante"},
        {"e_Cuit", "Panel1", 125, 48, 118, 21, ""},
        {"StaticText5", "Panel1", 268, 49, 77, 20, "Razón Social"},
        {"e_Razon", "Panel1", 351, 47, 228, 21, ""},
        {"StaticText16", "Panel3", 224, 0, 171, 20, "Seleccione Mètodo de Carga"},
        {"B1", "Panel3", 63, 18, 158, 39, "Importación de Archivo"},
        {"B2", "Panel3", 390, 18, 152, 39, "Carga Manual"},
        {"StaticText33", "Panel3", 90, 58, 442, 18,
         "Importante: La separación  decimal  debe ser (punto) y de miles (coma) en Panel de Control"},
        {"StaticText9", "Panel2", 6, 22, 94, 20, "CUIT Proveedor"},
        {"E_CuitReten", "Panel2", 121, 22, 118, 21, "__-________-_"},
        {"StaticText10", "Panel2", 250, 22, 85, 20, "Razón Social  "},
        {"empresa", "Panel2", 355, 22, 230, 21, ""},
        {"StaticText7", "Panel2", 593, 23, 98, 20, "Fecha Retención"},
        {"E_FECha", "Panel2", 699, 22, 88, 21, "__/__/____"},
        {"StaticText6", "Panel2", 5, 68, 169, 20, "Nro. Comprobante Retención"},
        {"E_Comprobante", "Panel2", 180, 68, 124, 21, ""},
        {"StaticText15", "Panel2", 315, 70, 130, 20, "Importe Comprobante"},
        {"Impo_compro", "Panel2", 452, 69, 125, 21, ""},
        {"StaticText8", "Panel2", 583, 69, 109, 20, "Importe Retención"},
        {"E_Importe", "Panel2", 698, 69, 140, 21, ""},
        {"B_adiciona", "Panel2", 365, 113, 126, 39, "ADICIONA"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QWidget *widget = child(c.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromLatin1(c.parent));
        EXPECT_EQ(widget->pos(), QPoint(c.x, c.y));
        EXPECT_EQ(widget->height(), c.height);
        // A caption that the screen font makes wider than its place grows to the right.
        if ((qobject_cast<QLabel *>(widget) && c.text && *c.text) || qobject_cast<QPushButton *>(widget))
            EXPECT_GE(widget->width(), c.width);
        else
            EXPECT_EQ(widget->width(), c.width);
        if (!c.text)
            continue;
        QString text;
        if (auto *l = qobject_cast<QLabel *>(widget))
            text = l->text();
        else if (auto *b = qobject_cast<QPushButton *>(widget))
            text = b->text();
        else if (auto *e = qobject_cast<QLineEdit *>(widget))
            text = e->displayText();
        EXPECT_EQ(text, QString::fromUtf8(c.text));
    }
    EXPECT_EQ(w->Image1->pixmap().size(), QSize(232, 107));
    EXPECT_EQ(w->Image2->pixmap().size(), QSize(213, 107));
    for (QPushButton *b : {w->B1, w->B2, w->B_adiciona, w->B_Confirma}) {
        EXPECT_FALSE(b->icon().isNull()) << b->objectName().toStdString();
        EXPECT_EQ(b->iconSize(), QSize(32, 32));
    }
    EXPECT_FALSE(w->BitBtn2->icon().isNull());
    EXPECT_TRUE(w->B3->icon().isNull());
}

TEST_F(MainWindow, BoxesHaveTheirLimitsAndLooks)
{
    for (QLineEdit *box : {static_cast<QLineEdit *>(w->e_Cuit), w->e_Razon, w->E_Importe, w->e_totreten})
        EXPECT_TRUE(box->isReadOnly()) << box->objectName().toStdString();
    for (QLineEdit *box : {w->e_legaJo, w->e_Mes, w->E_ano, w->empresa, w->E_Comprobante, w->Impo_compro,
                           static_cast<QLineEdit *>(w->E_CuitReten), static_cast<QLineEdit *>(w->E_FECha)})
        EXPECT_FALSE(box->isReadOnly()) << box->objectName().toStdString();
    EXPECT_EQ(w->E_CuitReten->editMask(), QStringLiteral("00\\-00000000\\-0;0;_"));
    EXPECT_EQ(w->E_FECha->editMask(), QStringLiteral("!99/99/0000;0;_"));
    EXPECT_FALSE(w->e_Cuit->isMasked());
    EXPECT_EQ(w->E_CuitReten->maxLength(), 13);
    EXPECT_EQ(w->E_FECha->maxLength(), 10);
    EXPECT_EQ(w->empresa->maxLength(), 59);
    EXPECT_EQ(w->Grilla->toolTip(), QStringLiteral("DOBLE CLICK Borra Renglón"));

    EXPECT_EQ(w->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(w->Panel1->palette().color(QPalette::Window), QColor(0xB0, 0xD8, 0xFF));
    EXPECT_EQ(w->Panel2->palette().color(QPalette::Window), QColor(0xDC, 0xEA, 0xFA));
    EXPECT_EQ(w->e_totreten->palette().color(QPalette::Base), QColor(0x9B, 0xFF, 0xB5));
    EXPECT_EQ(w->salida->palette().color(QPalette::Window), QColor(0xFF, 0xA4, 0xD1));
    EXPECT_EQ(w->StaticText12->palette().color(QPalette::Window), QColor(0xFF, 0xFB, 0xF0));

    struct FontCase {
        QWidget *widget;
        const char *family;
        int pixels;
        bool bold;
    };
    const FontCase fonts[] = {
        {w.get(), "Tahoma", 11, false},        {w->StaticText1, "Tahoma", 13, false},
        {w->StaticText11, "Tahoma", 16, true}, {w->StaticText12, "Tahoma", 11, true},
        {w->salida, "Tahoma", 13, true},       {w->StaticText16, "Arial", 13, false},
        {w->StaticText33, "Arial", 11, false}, {w->StaticText9, "Tahoma", 13, false},
        {w->e_legaJo, "Tahoma", 11, false},
    };
    for (const FontCase &f : fonts) {
        EXPECT_EQ(f.widget->font().family(), QString::fromLatin1(f.family))
            << f.widget->objectName().toStdString();
        EXPECT_EQ(f.widget->font().pixelSize(), f.pixels) << f.widget->objectName().toStdString();
        EXPECT_EQ(f.widget->font().bold(), f.bold) << f.widget->objectName().toStdString();
    }
}

TEST_F(MainWindow, UpperCaseBoxesTurnTypedAndWrittenTextToUpperCase)
{
    w->e_Razon->setText(QStringLiteral("ñandú sa"));
    EXPECT_EQ(w->e_Razon->text(), QStringLiteral("ÑANDÚ SA"));
    w->Panel2->show();
    focus(w->empresa);
    QTest::keyClicks(w->empresa, QStringLiteral("acme ß"));
    EXPECT_EQ(w->empresa->text(), QStringLiteral("ACME ß"));
}

TEST_F(MainWindow, RightAfterStartUp)
{
    EXPECT_EQ(QApplication::focusWidget(), w->e_legaJo);
    EXPECT_EQ(w->exitTracker().activeControl(), w->e_legaJo);
    EXPECT_FALSE(w->Panel2->isVisible());
    EXPECT_FALSE(w->Panel3->isVisible());
    EXPECT_FALSE(w->salida->isVisible());
    EXPECT_TRUE(w->Panel1->isEnabled());
    EXPECT_FALSE(w->B_Confirma->isEnabled());
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("0"));
    EXPECT_TRUE(w->windowTitle().isEmpty());
    // A title bar left empty shows the application's name on the desktop instead: it is blank.
    EXPECT_TRUE(QCoreApplication::applicationName().trimmed().isEmpty());
    const QStringList titles = {"", "Nro.Comp.", "Fecha", "Importe Comp.", "Importe Ret.", "Empresa", "CUIT"};
    for (int column = 0; column < 7; ++column)
        EXPECT_EQ(w->Grilla->model()->headerData(column, Qt::Horizontal).toString(), titles[column]);
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(beeps, 0);

    EXPECT_EQ(w->size(), QSize(933, 650));
    EXPECT_TRUE(w->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    // The frame, not the client area, stands centred on the work area (its top-left corner on
    // it where the frame is the larger).
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = w->frameGeometry();
    EXPECT_EQ(frame.left(), std::max(area.left(), area.left() + (area.width() - frame.width()) / 2));
    EXPECT_EQ(frame.top(), std::max(area.top(), area.top() + (area.height() - frame.height()) / 2));
}

TEST_F(MainWindow, GridShowsAllFiveHundredRowsAndCannotBeEdited)
{
    QTableView *grid = w->Grilla;
    const int widths[] = {33, 78, 71, 73, 129, 57, 186};
    for (int column = 0; column < 7; ++column) // or wider, where the title needs it
        EXPECT_GE(grid->columnWidth(column), widths[column]);
    EXPECT_EQ(grid->rowHeight(0), 15);
    EXPECT_EQ(grid->model()->rowCount(), 500);
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);

    // Row 500 can be seen and selected, so its withholding can be deleted.
    w->gridModel->setCell(500, 1, QStringLiteral("500"));
    const QModelIndex last = grid->model()->index(499, 1);
    grid->scrollTo(last);
    EXPECT_TRUE(grid->viewport()->rect().intersects(grid->visualRect(last)));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(last).center());
    EXPECT_EQ(GridModel::gridRow(grid->currentIndex()), 500);
    EXPECT_EQ(grid->model()->data(grid->currentIndex()).toString(), QStringLiteral("500"));

    // A double click deletes the row instead of opening an editor.
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(last).center());
    EXPECT_TRUE(grid->viewport()->findChildren<QLineEdit *>().isEmpty());
    EXPECT_EQ(w->gridModel->cell(500, 1), QString());
}

TEST_F(MainWindow, TabStopsFollowTheLayoutsOrder)
{
    QStringList chain;
    QWidget *start = w->e_legaJo;
    QWidget *it = start;
    do {
        if ((it->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && it->window() == w.get() && it != w.get())
            chain << it->objectName();
        it = it->nextInFocusChain();
    } while (it != start);
    EXPECT_EQ(chain, (QStringList{"e_legaJo", "e_Mes", "E_ano", "Grilla", "B_Confirma", "E_CuitReten",
                                  "empresa", "E_FECha", "E_Comprobante", "Impo_compro", "E_Importe",
                                  "B_adiciona", "e_totreten", "B3", "BitBtn2", "B1", "B2"}));
}

// The button of past declarations lies on nothing else, whatever panel is shown, and takes no
// focus: F7 reaches it without changing the way through the declaration's controls.
TEST_F(MainWindow, PastDeclarationsButtonStandsApart)
{
    w->Panel2->show();
    w->Panel3->show();
    const QRect button = w->B_Anteriores->geometry();
    for (QWidget *other : w->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (other == w->B_Anteriores || !other->isVisible() || other == w->Image1 || other == w->Image2)
            continue;
        EXPECT_FALSE(other->geometry().intersects(button)) << other->objectName().toStdString();
    }
    EXPECT_TRUE(QRect(0, 0, w->width(), w->height() - 20).contains(button));
    EXPECT_EQ(w->B_Anteriores->focusPolicy(), Qt::NoFocus);
}

TEST_F(MainWindow, FromTheLastTabStopTheFocusWrapsToTheFirst)
{
    w->Panel3->show();
    focus(w->B2);
    w->SelectNextControl();
    EXPECT_EQ(QApplication::focusWidget(), w->e_legaJo);
}

TEST_F(MainWindow, TabOrEnterInTheYearGoesToTheGridPastTheReadOnlyBoxes)
{
    for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Return}) {
        SCOPED_TRACE(int(key));
        SetUp();
        focus(w->E_ano);
        QTest::keyClicks(w->E_ano, QStringLiteral("2017"));
        QTest::keyClick(w->E_ano, key);
        EXPECT_EQ(QApplication::focusWidget(), w->Grilla);
        EXPECT_EQ(w->E_ano->text(), QStringLiteral("2017"));
        // Enter passes through the digit filter, which beeps once it has made it 0.
        EXPECT_EQ(beeps, key == Qt::Key_Return ? 1 : 0);
    }
}

TEST_F(MainWindow, EnterMovesOnAsTabDoesAndBeepsOnlyInFilteredDigitBoxes)
{
    QTest::keyClick(w->e_legaJo, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w->e_Mes);
    EXPECT_EQ(beeps, 1);

    w->Panel1->setEnabled(false);
    w->Panel2->show();
    focus(w->empresa);
    beeps = 0;
    QTest::keyClick(w->empresa, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(QApplication::focusWidget(), w->E_FECha);
    EXPECT_EQ(beeps, 0);
}

TEST_F(MainWindow, KeyFiltersOfTheBoxes)
{
    w->Panel2->show();
    QApplication::clipboard()->setText(QStringLiteral("99"));
    struct Case {
        QLineEdit *box;
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
        const char *after;
        int beeps;
    };
    const Case cases[] = {
        {w->e_Mes, Qt::Key_A, {}, "A", "", 1},
        {w->e_Mes, Qt::Key_7, {}, "7", "7", 0},
        {w->e_legaJo, Qt::Key_Comma, {}, ",", "", 1},
        {w->e_legaJo, Qt::Key_B, Qt::ControlModifier, "", "", 1},
        {w->E_Comprobante, Qt::Key_Minus, {}, "-", "", 1},
        {w->Impo_compro, Qt::Key_Comma, {}, ",", ",", 0},
        {w->Impo_compro, Qt::Key_Period, {}, ".", ".", 0},
        {w->Impo_compro, Qt::Key_E, {}, "e", "", 1},
        {w->empresa, Qt::Key_Comma, {}, ",", ",", 0},
        {w->E_CuitReten, Qt::Key_A, {}, "a", "__-________-_", 1},
        {w->E_CuitReten, Qt::Key_2, {}, "2", "2_-________-_", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.box->objectName().toStdString() + " " + c.text.toStdString());
        c.box->setText(QString());
        focus(c.box);
        c.box->setCursorPosition(0);
        beeps = 0;
        QTest::keyClick(c.box, Qt::Key(c.key), c.modifiers);
        EXPECT_EQ(c.box->displayText(), QString::fromUtf8(c.after));
        EXPECT_EQ(beeps, c.beeps);
        c.box->setText(QString());
    }
    // Backspace passes the digit filter.
    focus(w->e_legaJo);
    QTest::keyClicks(w->e_legaJo, QStringLiteral("12"));
    QTest::keyClick(w->e_legaJo, Qt::Key_Backspace);
    EXPECT_EQ(w->e_legaJo->text(), QStringLiteral("1"));
}

// Key presses as X11 and Windows deliver them, with their text: the editing keys edit, and
// Alt with a character types nothing.
TEST_F(MainWindow, EditingKeysEditAndAltCharactersAreRefusedInFilteredBoxes)
{
    w->Panel2->show();
    QApplication::clipboard()->setText(QStringLiteral("99"));
    struct Case {
        QLineEdit *box;
        const char *before;
        int cursor;
        int key;
        Qt::KeyboardModifiers modifiers;
        const char *text;
        const char *after;
        int beeps;
    };
    const Case cases[] = {
        {w->e_legaJo, "123", 0, Qt::Key_Delete, {}, "\x7f", "23", 0},
        {w->Impo_compro, "12.5", 2, Qt::Key_Delete, {}, "\x7f", "125", 0},
        {w->E_CuitReten, "20123456789", 0, Qt::Key_Delete, {}, "\x7f", "_0-12345678-9", 0},
        {w->e_legaJo, "", 0, Qt::Key_V, Qt::ControlModifier, "\x16", "99", 0},
        {w->E_CuitReten, "", 0, Qt::Key_V, Qt::ControlModifier, "\x16", "99-________-_", 0},
        {w->e_Mes, "12", 0, Qt::Key_A, Qt::ControlModifier, "\x01", "12", 0},
        {w->e_Mes, "12", 2, Qt::Key_Home, {}, "", "12", 0},
        {w->e_Mes, "", 0, Qt::Key_A, Qt::AltModifier, "a", "", 1},
        {w->e_legaJo, "", 0, Qt::Key_5, Qt::AltModifier, "5", "", 1},
        {w->Impo_compro, "", 0, Qt::Key_Period, Qt::AltModifier, ".", "", 1},
        {w->empresa, "", 0, Qt::Key_X, Qt::AltModifier, "x", "", 1},
        {w->empresa, "", 0, Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier, "@", "@", 0}, // AltGr
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.box->objectName().toStdString() + " key " + std::to_string(c.key));
        c.box->setText(QString::fromUtf8(c.before));
        focus(c.box);
        c.box->setCursorPosition(c.cursor);
        beeps = 0;
        QTest::sendKeyEvent(QTest::Click, c.box, Qt::Key(c.key), QString::fromLatin1(c.text), c.modifiers);
        EXPECT_EQ(c.box->displayText(), QString::fromUtf8(c.after));
        EXPECT_EQ(beeps, c.beeps);
        c.box->setText(QString());
    }
    // Ctrl+A selects the whole text and Delete removes it.
    w->e_legaJo->setText(QStringLiteral("415"));
    focus(w->e_legaJo);
    QTest::sendKeyEvent(QTest::Click, w->e_legaJo, Qt::Key_A, QStringLiteral("\x01"), Qt::ControlModifier);
    QTest::sendKeyEvent(QTest::Click, w->e_legaJo, Qt::Key_Delete, QStringLiteral("\x7f"), Qt::NoModifier);
    EXPECT_EQ(w->e_legaJo->text(), QString());
}

// A masked box that refuses to be left beeps once for the Enter that tried to leave it.
TEST_F(MainWindow, AnEnterWhoseMoveIsRefusedBeepsOnce)
{
    struct Case {
        const char *box;
        const char *typed;
        Qt::Key key;
    };
    const Case cases[] = {
        {"E_FECha", "1503201", Qt::Key_Return},
        {"E_FECha", "1503201", Qt::Key_Tab},
        {"E_CuitReten", "2012345", Qt::Key_Return},
        {"E_CuitReten", "2012345", Qt::Key_Enter},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.box) + " key " + std::to_string(c.key));
        SetUp();
        w->Panel1->setEnabled(false);
        w->Panel2->show();
        auto *box = child<MaskedEdit>(c.box);
        focus(box);
        box->setCursorPosition(0);
        QTest::keyClicks(box, QString::fromLatin1(c.typed));
        beeps = 0;
        dialogs.calls.clear();
        QTest::keyClick(box, c.key, c.key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        EXPECT_EQ(QApplication::focusWidget(), box);
        EXPECT_EQ(beeps, 1);
        ASSERT_EQ(dialogs.calls.size(), 1u);
        EXPECT_TRUE(dialogs.calls[0].text.startsWith(QStringLiteral("Invalid input value.")));
    }
}

TEST_F(MainWindow, EscAsksBeforeResettingAndNoChangesNothing)
{
    enterManualEntry();
    const QStringList before = snapshot();
    dialogs.confirmations = {false};
    QTest::keyClick(w->empresa, Qt::Key_Escape);
    EXPECT_EQ(dialogs.questions(), QStringList{ResetQuestion});
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(QApplication::focusWidget(), w->empresa);
}

TEST_F(MainWindow, YesDuringManualEntryResetsEverythingButTheStatusLine)
{
    enterManualEntry();
    dialogs.confirmations = {true};
    QTest::keyClick(w->empresa, Qt::Key_Escape);
    EXPECT_EQ(dialogs.questions(), QStringList{ResetQuestion});

    for (QLineEdit *box : w->findChildren<QLineEdit *>()) {
        if (box == w->e_totreten)
            EXPECT_EQ(box->text(), QStringLiteral("0"));
        else if (auto *masked = qobject_cast<MaskedEdit *>(box))
            EXPECT_TRUE(masked->value().isEmpty()) << box->objectName().toStdString();
        else
            EXPECT_TRUE(box->text().isEmpty()) << box->objectName().toStdString();
    }
    EXPECT_TRUE(w->Panel1->isEnabled());
    EXPECT_FALSE(w->Panel2->isVisible());
    EXPECT_FALSE(w->Panel3->isVisible());
    EXPECT_FALSE(w->B_Confirma->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), w->e_legaJo);
    for (int row : {1, 2, 500})
        for (int column = 0; column < 7; ++column)
            EXPECT_TRUE(w->gridModel->cell(row, column).isEmpty()) << row << "," << column;
    EXPECT_EQ(w->gridModel->cell(0, 1), QStringLiteral("Nro.Comp."));
    EXPECT_TRUE(w->salida->isVisible());
    EXPECT_TRUE(w->salida->text().startsWith(QStringLiteral("SU ARCHIVOS")));
}

TEST_F(MainWindow, WhereEscGoes)
{
    w->Panel2->show();
    // A period the completed date below agrees with, so that the date box can be left.
    w->e_Mes->setText(QStringLiteral("3"));
    w->E_ano->setText(QStringLiteral("2017"));
    struct Case {
        const char *name;
        QWidget *box;
        const char *typed;
        Qt::KeyboardModifiers modifiers;
        bool asks;
        int beeps;
    };
    const Case cases[] = {
        {"legajo", w->e_legaJo, "", Qt::NoModifier, true, 0},
        {"legajo typed into", w->e_legaJo, "5", Qt::NoModifier, true, 0},
        // Shift+Esc types an Escape character, which the digit filter refuses.
        {"with Shift", w->e_legaJo, "", Qt::ShiftModifier, false, 1},
        {"with Shift, Enter filter", w->empresa, "", Qt::ShiftModifier, false, 0},
        {"untouched date", w->E_FECha, "", Qt::NoModifier, true, 0},
        {"typed date", w->E_FECha, "1", Qt::NoModifier, false, 1},
        {"typed CUIT", w->E_CuitReten, "20", Qt::NoModifier, false, 1},
        {"grid", w->Grilla, "", Qt::NoModifier, true, 0},
        {"button", w->BitBtn2, "", Qt::NoModifier, true, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        focus(c.box);
        if (auto *edit = qobject_cast<QLineEdit *>(c.box)) {
            edit->setCursorPosition(0);
            QTest::keyClicks(edit, QString::fromLatin1(c.typed));
        }
        dialogs.clear();
        beeps = 0;
        if (c.asks)
            dialogs.confirmations = {false};
        const QString displayed =
            qobject_cast<QLineEdit *>(c.box) ? qobject_cast<QLineEdit *>(c.box)->displayText() : QString();
        QTest::keyClick(c.box, Qt::Key_Escape, c.modifiers);
        EXPECT_EQ(dialogs.questions().size(), c.asks ? 1 : 0);
        EXPECT_EQ(beeps, c.beeps);
        EXPECT_EQ(QApplication::focusWidget(), c.box);
        if (auto *edit = qobject_cast<QLineEdit *>(c.box)) {
            // A masked box neither resets itself nor lets the reset run.
            EXPECT_EQ(edit->displayText(), displayed);
            // Complete the box so that it may be left for the next case.
            edit->setText(edit == w->E_FECha ? QStringLiteral("15/03/2017") : QString());
        }
    }
}

TEST_F(MainWindow, EnterOnAFocusedButtonClicksIt)
{
    focus(w->B3);
    dialogs.confirmations = {false};
    QTest::keyClick(w->B3, Qt::Key_Return);
    EXPECT_EQ(dialogs.questions(), QStringList{ResetQuestion});
}

TEST_F(MainWindow, StatusLineStaysAlongTheBottomWhenTheWindowIsResized)
{
    const QRect total = w->e_totreten->geometry();
    const QRect grid = w->Grilla->geometry();
    w->resize(1100, 720);
    EXPECT_EQ(w->salida->geometry(), QRect(0, 700, 1100, 20));
    EXPECT_EQ(w->e_totreten->geometry(), total);
    EXPECT_EQ(w->Grilla->geometry(), grid);
    w->resize(700, 500);
    EXPECT_EQ(w->salida->geometry(), QRect(0, 480, 700, 20));
}

TEST_F(MainWindow, ClosingEndsWithoutAQuestionInAnyState)
{
    enterManualEntry();
    EXPECT_TRUE(w->close());
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(MainWindow, HelpOpensTheSameWindowModallyAndIsNoExit)
{
    TF_ayuda help;
    w->setHelpWindow(&help);
    focus(w->BitBtn2);
    for (int round = 0; round < 2; ++round) {
        QWidget *modal = nullptr;
        QTimer::singleShot(0, [&] {
            modal = QApplication::activeModalWidget();
            help.close();
        });
        QTimer::singleShot(10000, &help, [&] { help.close(); });
        QTest::mouseClick(w->BitBtn2, Qt::LeftButton);
        EXPECT_EQ(modal, &help);
        EXPECT_EQ(w->helpWindow(), &help);
        EXPECT_FALSE(help.isVisible());
        EXPECT_EQ(w->exitTracker().activeControl(), w->BitBtn2);
    }
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(MainWindow, AnErrorInAHandlerClosesTheTextFilesAndKeepsTheStateReached)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString name = folder.filePath(QStringLiteral("1703000512.txt"));
    const bool finished = w->runHandler([&] {
        w->B_Confirma->setEnabled(true);
        BindTextFile(w->F, name);
        CreateTextFile(w->F);
        CheckIo();
        WriteText(w->F, QStringLiteral("abc"), 0);
        WriteLineBreak(w->F);
        CheckIo();
        throw IoError(101);
    });
    EXPECT_FALSE(finished);
    EXPECT_EQ(dialogs.errors(), QStringList{"Disk full."});
    EXPECT_EQ(dialogs.calls.at(0).title, ApplicationTitle(QCoreApplication::applicationFilePath()));
    EXPECT_FALSE(w->F.isOpen());
    EXPECT_TRUE(w->B_Confirma->isEnabled());
    QFile written(name);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("abc\r\n"));
}

} // namespace

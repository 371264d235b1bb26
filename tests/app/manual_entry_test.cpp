#include "tests/app/window_fixture.h"

#include "app/masked_edit.h"
#include "common/text_file.h"
#include "declaration/declaration_file.h"
#include "tests/support/qt_print.h"
#include "withholdings/grid_model.h"
#include "withholdings/manual_entry.h"

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

namespace {

const QString DateError = QStringLiteral("Atención error en la Fecha !!!");
const QString MonthDiffers =
    QStringLiteral("Atención El MES de la fecha es distinto al declarado arriba !!!");
const QString YearDiffers = QStringLiteral("Atención El AÑO de la fecha es distinto al declarado arriba !!!");
const QString NotPositive = QStringLiteral("El Importe  debe ser Mayor a Cero !!!");
const QString OutOfRange = QStringLiteral("Atención Importe fuera de rango !!!");
const QString Missing = QStringLiteral("Atención Falta ingresar Legajo o Nro. Comprobante !!!");
const QString Duplicate = QStringLiteral("Atención Comprobante ya Ingresado !!!");

// Declaration files live in the current folder; each test gets a fresh one.
class CurrentFolder {
public:
    CurrentFolder() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~CurrentFolder() { QDir::setCurrent(previous_); }
    QString path(const QString &name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

class ManualEntry : public WindowTest {
protected:
    // Header for legajo 415, March 2017 (or as given), typed and left as the clerk does.
    void enterHeader(const QString &legajo = QStringLiteral("415"),
                     const QString &month = QStringLiteral("3"), const QString &year = QStringLiteral("2017"))
    {
        type(w->e_legaJo, legajo);
        QTest::keyClick(w->e_legaJo, Qt::Key_Tab);
        type(w->e_Mes, month);
        QTest::keyClick(w->e_Mes, Qt::Key_Tab);
        type(w->E_ano, year);
        QTest::keyClick(w->E_ano, Qt::Key_Tab);
        ASSERT_FALSE(w->Panel1->isEnabled());
    }

    void startManual()
    {
        enterHeader();
        QTest::mouseClick(w->B2, Qt::LeftButton);
        ASSERT_TRUE(w->Panel2->isVisible());
        dialogs.clear();
    }

    // Types one withholding and leaves the amount; the focus then is on ADICIONA.
    void typeRow(const QString &cuit, const QString &name, const QString &date, const QString &receipt,
                 const QString &amount)
    {
        w->E_CuitReten->setFocus();
        type(w->E_CuitReten, cuit);
        QTest::keyClick(w->E_CuitReten, Qt::Key_Tab);
        type(w->empresa, name);
        QTest::keyClick(w->empresa, Qt::Key_Return);
        if (!date.isEmpty())
            type(w->E_FECha, date);
        QTest::keyClick(w->E_FECha, Qt::Key_Tab);
        type(w->E_Comprobante, receipt);
        QTest::keyClick(w->E_Comprobante, Qt::Key_Tab);
        type(w->Impo_compro, amount);
        QTest::keyClick(w->Impo_compro, Qt::Key_Tab);
    }

    void addRow(const QString &receipt, const QString &amount)
    {
        typeRow(QStringLiteral("20123456786"), QStringLiteral("PROVEEDOR"), QStringLiteral("15032017"),
                receipt, amount);
        QTest::keyClick(w->B_adiciona, Qt::Key_Return);
    }

    QStringList row(int r) const
    {
        QStringList cells;
        for (int column = 0; column < GridModel::ColumnCount; ++column)
            cells << w->gridModel->cell(r, column);
        return cells;
    }

    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(folder.path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    CurrentFolder folder;
};

TEST_F(ManualEntry, InvoiceAmountGivesItsWithheldAmount)
{
    startManual();
    struct Case {
        const char *typed, *shown, *withheld;
    };
    // The amounts themselves are the rule's table; here the box, the result and the focus.
    const Case cases[] = {
        {"1000", "1000.00", "5"},
        {"12345.67", "12345.67", "62"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        w->Impo_compro->setFocus();
        w->Impo_compro->clear();
        type(w->Impo_compro, QString::fromLatin1(c.typed));
        QTest::keyClick(w->Impo_compro, Qt::Key_Tab);
        EXPECT_TRUE(dialogs.calls.empty());
        EXPECT_EQ(w->Impo_compro->text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(w->E_Importe->text(), QString::fromLatin1(c.withheld));
        EXPECT_EQ(focused(), w->B_adiciona);
    }
}

TEST_F(ManualEntry, RefusedInvoiceAmountsKeepTheFocusAndTheEarlierWithheldAmount)
{
    startManual();
    struct Case {
        const char *text;
        bool pasted;
        const char *shown;
        QStringList messages;
        bool conversionError;
    };
    const Case cases[] = {
        {"", false, "0.00", {NotPositive}, false},
        {"1000000000", false, "1000000000.00", {OutOfRange}, false},
        {"1,000", true, "1,000", {}, true}, // conversion error: no message of its own
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        w->Impo_compro->setFocus();
        w->Impo_compro->clear();
        type(w->Impo_compro, QStringLiteral("1000"));
        QTest::keyClick(w->Impo_compro, Qt::Key_Tab);
        ASSERT_EQ(w->E_Importe->text(), QStringLiteral("5"));
        w->Impo_compro->setFocus();
        w->Impo_compro->clear();
        if (c.pasted)
            w->Impo_compro->setText(QString::fromLatin1(c.text));
        else
            type(w->Impo_compro, QString::fromLatin1(c.text));
        dialogs.clear();
        QTest::keyClick(w->Impo_compro, Qt::Key_Tab);

        EXPECT_EQ(dialogs.informations(), c.messages);
        EXPECT_EQ(dialogs.errors().size(), c.conversionError ? 1u : 0u);
        EXPECT_EQ(w->Impo_compro->text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(w->E_Importe->text(), QStringLiteral("5"));
        if (!c.conversionError) {
            EXPECT_EQ(focused(), w->Impo_compro);
        }
    }
}

TEST_F(ManualEntry, DateChecksAndTheirOrder)
{
    startManual();
    struct Case {
        const char *name;
        int cursor;
        const char *typed;
        const char *month, *year;
        QStringList messages;
    };
    // The comparisons are the rule's table; here what the box's value is and where the
    // focus goes after each kind of answer.
    const Case cases[] = {
        {"same period", 0, "15032017", "3", "2017", {}},
        {"both differ, month first", 0, "15032017", "4", "2018", {MonthDiffers, YearDiffers}},
        // __/03/2017 has the value 032017: month 20 and year 17.
        {"blank day", 3, "032017", "3", "2017", {MonthDiffers, YearDiffers}},
        {"untouched", 0, "", "3", "2017", {DateError}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        w->e_Mes->setText(QString::fromLatin1(c.month));
        w->E_ano->setText(QString::fromLatin1(c.year));
        w->E_FECha->setFocus();
        w->E_FECha->clear();
        w->E_FECha->setModified(false);
        w->E_FECha->setCursorPosition(c.cursor);
        QTest::keyClicks(w->E_FECha, QString::fromLatin1(c.typed));
        dialogs.clear();
        QTest::keyClick(w->E_FECha, Qt::Key_Tab);
        EXPECT_EQ(dialogs.informations(), c.messages);
        EXPECT_TRUE(dialogs.errors().isEmpty());
        EXPECT_EQ(focused(), c.messages.isEmpty() ? static_cast<QWidget *>(w->E_Comprobante) : w->E_FECha);
    }

    // Blank month digits name no month: the date error, and the focus stays.
    w->E_FECha->clear();
    w->E_FECha->setCursorPosition(0);
    QTest::keyClicks(w->E_FECha, QStringLiteral("15"));
    w->E_FECha->setCursorPosition(6);
    QTest::keyClicks(w->E_FECha, QStringLiteral("2017"));
    dialogs.clear();
    QTest::keyClick(w->E_FECha, Qt::Key_Tab);
    EXPECT_EQ(dialogs.informations(), QStringList{DateError});
    EXPECT_TRUE(dialogs.errors().isEmpty());
    EXPECT_EQ(focused(), w->E_FECha);
}

TEST_F(ManualEntry, AdicionaAppendsTheRowEmptiesTheFieldsAndGoesBackToTheCuit)
{
    startManual();
    typeRow(QStringLiteral("20123456786"), QStringLiteral("ferreteria Ñandu"), QStringLiteral("05032017"),
            QStringLiteral("123"), QStringLiteral("12345.67"));
    ASSERT_EQ(focused(), w->B_adiciona);
    QTest::keyClick(w->B_adiciona, Qt::Key_Return);

    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(row(1),
              (QStringList{"1", "123", "05/03/2017", "12345.67", "62", "FERRETERIA ÑANDU", "20-12345678-6"}));
    EXPECT_EQ(w->gridModel->Fila(), 2);
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("62"));
    for (const QString &emptied : {w->E_Comprobante->text(), w->E_FECha->value(), w->E_Importe->text(),
                                   w->E_CuitReten->value(), w->empresa->text(), w->Impo_compro->text()})
        EXPECT_TRUE(emptied.isEmpty());
    EXPECT_EQ(focused(), w->E_CuitReten);
    EXPECT_EQ(w->e_legaJo->text(), QStringLiteral("415"));

    // Untouched date and no company name still make a row.
    w->E_CuitReten->setText(QStringLiteral("30111111118"));
    w->E_Comprobante->setText(QStringLiteral("124"));
    w->Impo_compro->setText(QStringLiteral("0.01"));
    w->E_Importe->setText(QStringLiteral("0"));
    w->B_adiciona->click();
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(row(2), (QStringList{"2", "124", "//", "0.01", "0", "", "30-11111111-8"}));
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("62"));
}

// The clerk types the next row straight after ADICIONA, each box from where the focus lands.
TEST_F(ManualEntry, NextRowTypedRightAfterAdicionaGoesIntoTheEmptiedBoxes)
{
    startManual();
    addRow(QStringLiteral("123"), QStringLiteral("1000"));
    ASSERT_EQ(focused(), w->E_CuitReten);

    const QStringList keys = {"30111111118", "otro", "16032017", "124", "2000"};
    for (const QString &text : keys) {
        QTest::keyClicks(focused(), text);
        QTest::keyClick(focused(), Qt::Key_Return);
    }
    ASSERT_EQ(focused(), w->B_adiciona);
    QTest::keyClick(w->B_adiciona, Qt::Key_Return);

    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(row(2), (QStringList{"2", "124", "16/03/2017", "2000.00", "10", "OTRO", "30-11111111-8"}));
}

// A CUIT that fails its check is asked about before anything changes: No goes back to the
// CUIT with every box kept, Yes appends the row as typed.
TEST_F(ManualEntry, AdicionaAsksAboutAnInvalidCuit)
{
    const QString question = QStringLiteral("Atención el CUIT 20-12345678-9 no es válido, ¿lo agrega igual?");
    startManual();
    typeRow(QStringLiteral("20123456789"), QStringLiteral("proveedor"), QStringLiteral("05032017"),
            QStringLiteral("123"), QStringLiteral("1000"));
    ASSERT_EQ(focused(), w->B_adiciona);

    dialogs.confirmations = {false};
    QTest::keyClick(w->B_adiciona, Qt::Key_Return);
    EXPECT_EQ(dialogs.questions(), QStringList{question});
    EXPECT_TRUE(dialogs.informations().isEmpty());
    EXPECT_EQ(w->gridModel->Fila(), 1);
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("0"));
    EXPECT_EQ(focused(), w->E_CuitReten);
    EXPECT_EQ(w->E_CuitReten->value(), QStringLiteral("20123456789"));
    EXPECT_EQ(w->E_Comprobante->text(), QStringLiteral("123"));
    EXPECT_EQ(w->E_Importe->text(), QStringLiteral("5"));

    dialogs.clear();
    dialogs.confirmations = {true};
    w->B_adiciona->setFocus();
    QTest::keyClick(w->B_adiciona, Qt::Key_Return);
    EXPECT_EQ(dialogs.questions(), QStringList{question});
    EXPECT_EQ(row(1), (QStringList{"1", "123", "05/03/2017", "1000.00", "5", "PROVEEDOR", "20-12345678-9"}));
    EXPECT_EQ(w->E_CuitReten->value(), QString());
    EXPECT_EQ(focused(), w->E_CuitReten);
}

TEST_F(ManualEntry, AdicionaWithARequiredFieldMissingChangesNothing)
{
    struct Case {
        const char *name;
        QString legajo, cuit, receipt, withheld;
    };
    // Which fields count is the rule's table; here one missing field through the window.
    const Case cases[] = {
        {"no receipt", "415", "20123456786", "", "5"},
        {"no legajo", "", "20123456786", "123", "5"},
    };
    startManual();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        w->e_legaJo->setText(c.legajo);
        w->E_CuitReten->setText(c.cuit);
        w->E_Comprobante->setText(c.receipt);
        w->E_Importe->setText(c.withheld);
        dialogs.clear();
        w->B_adiciona->click();
        EXPECT_EQ(dialogs.informations(), QStringList{Missing});
        EXPECT_EQ(w->gridModel->Fila(), 1);
        EXPECT_EQ(w->E_Comprobante->text(), c.receipt);
        EXPECT_EQ(w->E_Importe->text(), c.withheld);
    }
}

TEST_F(ManualEntry, TotalsGapsAndDeletingByDoubleClick)
{
    startManual();
    for (int i = 1; i <= 5; ++i)
        addRow(QString::number(100 + i), i == 1 ? QStringLiteral("12345.67") : QStringLiteral("1000"));
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("82"));

    auto doubleClick = [this](int gridRow) {
        const QModelIndex at = w->gridModel->index(GridModel::viewRow(gridRow), 1);
        w->Grilla->scrollTo(at);
        QTest::mouseClick(w->Grilla->viewport(), Qt::LeftButton, {}, w->Grilla->visualRect(at).center());
        QTest::mouseDClick(w->Grilla->viewport(), Qt::LeftButton, {}, w->Grilla->visualRect(at).center());
    };
    doubleClick(1);
    EXPECT_EQ(row(1), (QStringList{"1", "", "", "", "", "", ""}));
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("20"));
    doubleClick(3);
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("15"));
    doubleClick(3); // a gap
    doubleClick(9); // never used
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("15"));
    EXPECT_TRUE(dialogs.calls.empty());

    addRow(QStringLiteral("200"), QStringLiteral("1000"));
    EXPECT_EQ(row(6).mid(0, 2), (QStringList{"6", "200"}));
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("20"));
}

// Del in the grid deletes the current row as a double click on it does, for a clerk who works
// without the mouse; anywhere else it is the box's own key.
TEST_F(ManualEntry, DeleteKeyInTheGridDeletesTheCurrentRow)
{
    startManual();
    for (int i = 1; i <= 3; ++i)
        addRow(QString::number(100 + i), QStringLiteral("1000"));
    ASSERT_EQ(w->e_totreten->text(), QStringLiteral("15"));

    struct Case {
        const char *name;
        int gridRow; // the current row, reached with the arrow keys from row 1
        const char *total;
    };
    const Case cases[] = {
        {"an occupied row", 2, "10"},
        {"the gap it left", 2, "10"},
        {"the first row", 1, "5"},
        {"a row never used", 5, "5"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        w->Grilla->setFocus(Qt::TabFocusReason);
        w->Grilla->setCurrentIndex(w->gridModel->index(0, 1));
        for (int row = 1; row < c.gridRow; ++row)
            QTest::keyClick(w->Grilla, Qt::Key_Down);
        QTest::keyClick(w->Grilla, Qt::Key_Delete);
        EXPECT_FALSE(w->gridModel->isOccupied(c.gridRow));
        EXPECT_EQ(w->e_totreten->text(), QString::fromLatin1(c.total));
    }
    EXPECT_TRUE(w->gridModel->isOccupied(3));
    EXPECT_TRUE(dialogs.calls.empty());

    w->empresa->setFocus(Qt::TabFocusReason);
    w->empresa->setText(QStringLiteral("ACME"));
    w->empresa->setCursorPosition(0);
    QTest::keyClick(w->empresa, Qt::Key_Delete);
    EXPECT_EQ(w->empresa->text(), QStringLiteral("CME"));
    EXPECT_TRUE(w->gridModel->isOccupied(3));
}

TEST_F(ManualEntry, DuplicateReceiptGivesOneMessagePerMatchingRow)
{
    startManual();
    addRow(QStringLiteral("123"), QStringLiteral("1000"));
    // ADICIONA does not check again, so a number may be there twice.
    w->E_CuitReten->setText(QStringLiteral("20123456786"));
    w->E_Comprobante->setText(QStringLiteral("123"));
    w->Impo_compro->setText(QStringLiteral("1000.00"));
    w->E_Importe->setText(QStringLiteral("5"));
    w->B_adiciona->click();
    ASSERT_EQ(w->gridModel->Fila(), 3);
    w->gridModel->append(
        {QStringLiteral("0000000000777"), QString(), QString(), QStringLiteral("0"), QString(), QString()});
    struct Case {
        const char *receipt;
        int messages;
    };
    // Compared as the declaration writes them: a reloaded 0000000000777 is the typed 777.
    for (const Case &c : {Case{"123", 2}, Case{"0123", 2}, Case{"777", 1}, Case{"124", 0}, Case{"", 0}}) {
        SCOPED_TRACE(c.receipt);
        w->E_Comprobante->setFocus();
        w->E_Comprobante->setText(QString::fromLatin1(c.receipt));
        dialogs.clear();
        QTest::mouseClick(w->Grilla->viewport(), Qt::LeftButton);
        EXPECT_EQ(dialogs.informations(), QStringList(c.messages, Duplicate));
        EXPECT_EQ(focused(), c.messages ? static_cast<QWidget *>(w->E_Comprobante) : w->Grilla);
        EXPECT_EQ(w->E_Comprobante->text(), QString::fromLatin1(c.receipt));
    }
}

// A check that failed on leaving its box while the focus went on to ADICIONA: the row is
// refused with that check's message and the focus goes back to the box.
TEST_F(ManualEntry, AdicionaRefusesADateWithItsMonthLeftBlank)
{
    startManual();
    typeRow(QStringLiteral("20123456786"), QStringLiteral("X"), QStringLiteral("15032017"),
            QStringLiteral("123"), QStringLiteral("1000"));
    w->E_FECha->setFocus();
    w->E_FECha->clear();
    type(w->E_FECha, QStringLiteral("15"));
    w->E_FECha->setCursorPosition(6);
    QTest::keyClicks(w->E_FECha, QStringLiteral("2017"));
    ASSERT_EQ(w->E_FECha->value(), QStringLiteral("15  2017"));
    dialogs.clear();
    QTest::mouseClick(w->B_adiciona, Qt::LeftButton);

    EXPECT_EQ(w->gridModel->Fila(), 1);
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("0"));
    EXPECT_FALSE(dialogs.informations().isEmpty());
    EXPECT_EQ(dialogs.informations().filter(DateError), dialogs.informations());
    EXPECT_TRUE(dialogs.errors().isEmpty());
    EXPECT_EQ(focused(), w->E_FECha);
}

TEST_F(ManualEntry, AdicionaRefusesAnInvoiceAmountThatNoLongerConverts)
{
    startManual();
    typeRow(QStringLiteral("20123456786"), QStringLiteral("X"), QStringLiteral("15032017"),
            QStringLiteral("123"), QStringLiteral("12345.67"));
    ASSERT_EQ(w->E_Importe->text(), QStringLiteral("62"));
    w->Impo_compro->setFocus();
    w->Impo_compro->clear();
    type(w->Impo_compro, QStringLiteral("1,5"));
    dialogs.clear();
    QTest::mouseClick(w->B_adiciona, Qt::LeftButton);

    EXPECT_EQ(w->gridModel->Fila(), 1);
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("0"));
    ASSERT_FALSE(dialogs.errors().isEmpty());
    EXPECT_TRUE(dialogs.errors().back().contains(QStringLiteral("'1,5'")));
    EXPECT_EQ(focused(), w->Impo_compro);
    EXPECT_EQ(w->Impo_compro->text(), QStringLiteral("1,5"));
}

TEST_F(ManualEntry, ReceiptNumberTakesAtMostThirteenCharacters)
{
    startManual();
    w->E_Comprobante->setFocus();
    QTest::keyClicks(w->E_Comprobante, QStringLiteral("123456789012345"));
    EXPECT_EQ(w->E_Comprobante->text(), QStringLiteral("1234567890123"));
    w->E_Comprobante->setText(QStringLiteral("99999999999999999"));
    EXPECT_EQ(w->E_Comprobante->text().size(), 13);
}

TEST_F(ManualEntry, AFullGridRefusesTheAppendAndKeepsTheFields)
{
    startManual();
    w->gridModel->appendAll(
        QList<Withholding>(GridModel::LastRow, {QStringLiteral("1"), QString(), QString(),
                                                QStringLiteral("1"), QString(), QString()}));
    typeRow(QStringLiteral("20123456786"), QStringLiteral("X"), QStringLiteral("15032017"),
            QStringLiteral("9000"), QStringLiteral("1000"));
    dialogs.clear();
    QTest::keyClick(w->B_adiciona, Qt::Key_Return);
    ASSERT_EQ(dialogs.informations().size(), 1);
    EXPECT_TRUE(dialogs.informations().front().startsWith(QStringLiteral("Atención ")));
    EXPECT_TRUE(dialogs.informations().front().endsWith(QStringLiteral(" !!!")));
    EXPECT_EQ(w->gridModel->Fila(), GridModel::LastRow + 1);
    EXPECT_EQ(dialogs.informations().front(), GridFullMessage);
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("100000"));
    EXPECT_EQ(w->E_Comprobante->text(), QStringLiteral("9000"));
}

// Reload of the period's declaration file.

const DeclarationHeader March415{QStringLiteral("415"), QStringLiteral("3"), QStringLiteral("2017"),
                                 QStringLiteral("20-43818624-8"), QStringLiteral("LUNA JUAN CARLOS")};

QList<Withholding> threeRows()
{
    return {
        {"123", "05/03/2017", "12345.67", "62", "PROVEEDOR UNO", "20-12345678-6"},
        {"124", "31/03/2017", "1000.00", "5", "PROVEEDOR DOS", "30-11111111-8"},
        {"125", "01/03/2017", "0.01", "0", "", "30-11111111-8"},
    };
}

TEST_F(ManualEntry, CargaManualWithoutAFileOnlyOpensManualEntry)
{
    enterHeader();
    w->gridModel->append(
        {QStringLiteral("9"), QString(), QString(), QStringLiteral("7"), QString(), QString()});
    QTest::mouseClick(w->B2, Qt::LeftButton);
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(w->gridModel->Fila(), 2);
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("7"));
    EXPECT_TRUE(w->Panel2->isVisible());
    EXPECT_FALSE(w->Panel3->isVisible());
    EXPECT_TRUE(w->B_Confirma->isEnabled());
}

TEST_F(ManualEntry, CargaManualAppendsTheRecordsAfterTheRowsThere)
{
    TextFile f;
    writeDeclarationFile(f, folder.path("17300415.txt"), March415, threeRows());
    enterHeader();
    w->gridModel->append(
        {QStringLiteral("9"), QString(), QString(), QStringLiteral("7"), QString(), QString()});
    QTest::mouseClick(w->B2, Qt::LeftButton);

    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(row(2), (QStringList{"2", "0000000000123", "05/03/2017", "000012345.67", "000000062.00",
                                   "PROVEEDOR UNO", "20-12345678-6"}));
    EXPECT_EQ(row(4), (QStringList{"4", "0000000000125", "01/03/2017", "000000000.01", "000000000.00", "",
                                   "30-11111111-8"}));
    EXPECT_EQ(w->gridModel->Fila(), 5);
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("74"));
    EXPECT_TRUE(w->Panel2->isVisible());
    EXPECT_FALSE(w->Panel3->isVisible());
    EXPECT_FALSE(w->FF.isOpen());

    // Deleting a reloaded row lowers the total by its amount; typing its number as 123 is
    // no duplicate.
    w->gridModel->deleteRow(2);
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("12"));
}

TEST_F(ManualEntry, ReloadedDeclarationWrittenAgainIsByteIdentical)
{
    struct Case {
        const char *month, *fileName, *date;
    };
    for (const Case &c : {Case{"3", "17300415.txt", "05/03/2017"}, Case{"10", "17A00415.txt", "05/10/2017"},
                          Case{"12", "17C00415.txt", "31/12/2017"}}) {
        SCOPED_TRACE(c.month);
        w->Limpia();
        w->Panel3->hide();
        w->Panel2->hide();
        DeclarationHeader header = March415;
        header.month = QString::fromLatin1(c.month);
        QList<Withholding> rows = threeRows();
        for (Withholding &r : rows)
            r.date = QString::fromLatin1(c.date);
        TextFile f;
        writeDeclarationFile(f, folder.path(c.fileName), header, rows);
        QFile original(folder.path(c.fileName));
        ASSERT_TRUE(original.open(QIODevice::ReadOnly));
        const QByteArray before = original.readAll();
        original.close();

        enterHeader(QStringLiteral("415"), header.month);
        QTest::mouseClick(w->B2, Qt::LeftButton);
        ASSERT_EQ(w->gridModel->Fila(), 4);
        EXPECT_EQ(w->gridModel->cell(1, 2), QString::fromLatin1(c.date));

        QList<Withholding> reloaded;
        for (int r = 1; r < w->gridModel->Fila(); ++r)
            reloaded << w->gridModel->withholding(r);
        writeDeclarationFile(f, folder.path(c.fileName), header, reloaded);
        ASSERT_TRUE(original.open(QIODevice::ReadOnly));
        EXPECT_EQ(original.readAll(), before);
    }
}

TEST_F(ManualEntry, ReloadEndedByABadLineAppendsNothing)
{
    TextFile f;
    writeDeclarationFile(f, folder.path("17300415.txt"), March415, threeRows());
    QFile file(folder.path("17300415.txt"));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("20-12345678-6 2017 3\r\n"); // cut before the withheld amount
    file.close();

    enterHeader();
    QTest::mouseClick(w->B2, Qt::LeftButton);
    EXPECT_TRUE(dialogs.informations().isEmpty());
    EXPECT_EQ(dialogs.errors().size(), 1u);
    EXPECT_EQ(w->gridModel->Fila(), 1);
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("0"));
    // CONFIRMA would replace the declaration with the empty grid.
    EXPECT_FALSE(w->B_Confirma->isEnabled());
    EXPECT_TRUE(w->Panel3->isVisible());
    EXPECT_FALSE(w->Panel2->isVisible());
    EXPECT_FALSE(w->FF.isOpen());
    // Closed, so a generation can replace it.
    EXPECT_TRUE(QFile::remove(folder.path("17300415.txt")));
}

TEST_F(ManualEntry, ReloadThatDoesNotFitAppendsNothingAndSaysSo)
{
    TextFile f;
    writeDeclarationFile(f, folder.path("17300415.txt"), March415, threeRows());
    enterHeader();
    w->gridModel->appendAll(
        QList<Withholding>(GridModel::LastRow - 2, {QStringLiteral("1"), QString(), QString(),
                                                    QStringLiteral("1"), QString(), QString()}));
    QTest::mouseClick(w->B2, Qt::LeftButton);

    ASSERT_EQ(dialogs.informations().size(), 1);
    EXPECT_TRUE(dialogs.informations().front().startsWith(QStringLiteral("Atención ")));
    EXPECT_EQ(w->gridModel->Fila(), GridModel::LastRow - 1);
    EXPECT_EQ(dialogs.informations().front(), ReloadDoesNotFitMessage);
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("99998"));
    EXPECT_FALSE(w->B_Confirma->isEnabled());
    EXPECT_TRUE(w->Panel3->isVisible());
    EXPECT_FALSE(w->Panel2->isVisible());
    EXPECT_FALSE(w->FF.isOpen());
}

} // namespace

namespace {
// The file is named after the year's number, so a year typed with a leading zero finds it.
TEST_F(ManualEntry, YearWithALeadingZeroFindsThePeriodsDeclaration)
{
    TextFile f;
    writeDeclarationFile(f, folder.path("17300415.txt"), March415, threeRows());
    enterHeader(QStringLiteral("415"), QStringLiteral("03"), QStringLiteral("02017"));
    QTest::mouseClick(w->B2, Qt::LeftButton);
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(w->gridModel->Fila(), 4);
    EXPECT_EQ(w->E_ano->text(), QStringLiteral("02017"));
}

// A month skipped with the mouse leaves no file name to look for: the conversion error, and
// the load-method panel stays.
TEST_F(ManualEntry, CargaManualWithoutAMonthEndsInTheConversionError)
{
    type(w->e_legaJo, QStringLiteral("415"));
    QTest::mouseClick(w->E_ano, Qt::LeftButton);
    type(w->E_ano, QStringLiteral("2017"));
    QTest::keyClick(w->E_ano, Qt::Key_Tab);
    ASSERT_TRUE(w->Panel3->isVisible());
    QTest::mouseClick(w->B2, Qt::LeftButton);
    EXPECT_EQ(dialogs.errors().size(), 1u);
    EXPECT_FALSE(w->B_Confirma->isEnabled());
    EXPECT_TRUE(w->Panel3->isVisible());
    EXPECT_FALSE(w->Panel2->isVisible());
}
} // namespace

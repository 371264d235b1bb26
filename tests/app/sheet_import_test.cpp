#include "app/column_window.h"
#include "app/sheet_columns_window.h"
#include "app/tf_retenciones.h"
#include "tests/app/window_fixture.h"
#include "tests/support/qt_print.h"
#include "withholdings/grid_model.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
const QStringList Titles{QStringLiteral("Cuit Prov"), QStringLiteral("Nombre"), QString::fromUtf8("Día"),
                         QStringLiteral("Nro"),       QStringLiteral("Neto"),   QStringLiteral("Ret")};

// Chooses, in each list from the focused one on, the column of that letter, as the clerk types it.
void chooseByKeyboard(ColumnWindow &window, const QString &letters)
{
    for (const QChar letter : letters) {
        if (letter != QLatin1Char('-'))
            QTest::keyClicks(window.focusWidget(), QString(letter));
        QTest::keyClick(window.focusWidget(), Qt::Key_Tab);
    }
}

class SheetImportWindow : public WindowTest {
protected:
    void SetUp() override
    {
        // The clerk's remembered columns go to a configuration folder of the test's own.
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        WindowTest::SetUp();
        w->e_legaJo->setText(QStringLiteral("415"));
        w->e_Mes->setText(QStringLiteral("3"));
        w->E_ano->setText(QStringLiteral("2017"));
        w->e_Cuit->setText(QStringLiteral("30-70000001-2"));
        w->Panel1->setEnabled(false);
        w->Panel3->show();
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        qunsetenv("XDG_CONFIG_HOME");
    }

    void importSheet(const QByteArray &bytes)
    {
        const QString path = dir.filePath(QStringLiteral("planilla.csv"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        dialogs.files.push_back(path);
        QTest::mouseClick(w->B1, Qt::LeftButton);
    }

    // Answers the column window, if it comes, with what `answer` does to it; counts how often it came.
    void whenAsked(std::function<void(ColumnWindow &)> answer)
    {
        QTimer::singleShot(0, w.get(), [this, answer] {
            if (auto *window = qobject_cast<ColumnWindow *>(QApplication::activeModalWidget())) {
                ++asked;
                window->activateWindow();
                EXPECT_TRUE(QTest::qWaitForWindowActive(window));
                answer(*window);
            }
        });
    }

    QStringList row(int r) const
    {
        QStringList cells;
        for (int c = 1; c < GridModel::ColumnCount; ++c)
            cells << w->gridModel->cell(r, c);
        return cells;
    }

    QTemporaryDir dir;
    QTemporaryDir config;
    int asked = 0;
};
} // namespace

// Every list is reached by Tab and set by the column's letter; Enter accepts. A column taken
// twice keeps the window open, says why and puts the focus on the second list.
TEST(ColumnWindowKeys, ChosenByKeyboard)
{
    ensureQtApplication();
    ColumnChoice proposed;
    proposed.fill(-1);
    proposed[static_cast<int>(SheetField::CompanyName)] = 1;
    ColumnWindow window(Titles, {QStringLiteral("20123456786"), QStringLiteral("ACME")}, proposed);
    ASSERT_TRUE(showActive(window));
    EXPECT_EQ(QApplication::focusWidget(), window.box(SheetField::SupplierCuit));
    EXPECT_EQ(window.box(SheetField::SupplierCuit)->itemText(1),
              QStringLiteral("A: Cuit Prov  (20123456786)"));

    chooseByKeyboard(window, QStringLiteral("A-CDEC"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.problem()->text(),
              QString::fromUtf8("La columna C está elegida para Fecha y para Importe Retención."));
    EXPECT_EQ(QApplication::focusWidget(), window.box(SheetField::WithheldAmount));

    // The last column, as the clerk who does not wait for the list to forget the "C" reaches it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(window.choice(), (ColumnChoice{0, 1, 2, 3, 4, 5, -1}));
}

// A sheet whose titles say everything is imported at once: rows as the grid writes them, the
// total row mentioned, CONFIRMA enabled.
TEST_F(SheetImportWindow, TitledSheetImportsAtOnce)
{
    importSheet("CUIT;Raz\xf3n Social;Fecha;Comprobante;Importe;Retenci\xf3n\r\n"
                "20-12345678-6;ACME;05/03/2017;123;\"12.345,67\";61,73\r\n"
                ";TOTAL;;;12.345,67;61,73\r\n");
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(row(1), (QStringList{"123", "05/03/2017", "12345.67", "62", "ACME", "20-12345678-6"}));
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("62"));
    EXPECT_TRUE(w->B_Confirma->isEnabled());
    ASSERT_EQ(dialogs.informations(),
              QStringList{QStringLiteral("Atención, revise 1 renglones del archivo")});
    EXPECT_EQ(dialogs.calls.back().details,
              QString::fromUtf8("Línea 3: sin CUIT ni comprobante (un total), se omitió"));
    EXPECT_FALSE(w->FF.isOpen());
}

// Titles the import does not know: the clerk says once which column is which, and the next
// sheet with the same titles is imported without asking. Giving up imports nothing.
TEST_F(SheetImportWindow, ColumnsChosenOnceAreRemembered)
{
    const QByteArray sheet = "Cuit Prov;Nombre;D\xc3\xad"
                             "a;Nro;Neto;Ret\n"
                             "20123456786;ACME;5/3/2017;7;1000;5\n";
    whenAsked([](ColumnWindow &window) { QTest::keyClick(window.focusWidget(), Qt::Key_Escape); });
    importSheet(sheet);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(w->gridModel->Fila(), 1);

    whenAsked([](ColumnWindow &window) {
        chooseByKeyboard(window, QStringLiteral("A-CDEF"));
        QTest::keyClick(window.focusWidget(), Qt::Key_Return);
    });
    importSheet(sheet);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(row(1), (QStringList{"7", "05/03/2017", "1000.00", "5", "ACME", "20-12345678-6"}));
    EXPECT_TRUE(QFile::exists(sheetColumnsFile()));

    whenAsked([](ColumnWindow &window) { window.reject(); });
    importSheet(sheet);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(row(2)[0], QStringLiteral("7"));
    EXPECT_TRUE(w->B_Confirma->isEnabled());
}

// A withheld amount the rate does not give stops a sheet as it stops a declaration file: the
// same message, the line in its details, the window reset.
TEST_F(SheetImportWindow, MismatchResetsAsForADeclaration)
{
    importSheet("CUIT;Empresa;Fecha;Comprobante;Base;Retencion\n"
                "20-12345678-6;ACME;05/03/2017;1;12345,67;62,51\n");
    ASSERT_EQ(dialogs.informations(),
              QStringList{QString::fromUtf8("Atención, No coincide importe de retención, verifique!!!")});
    EXPECT_EQ(dialogs.calls.back().details,
              QString::fromUtf8(
                  "Línea 2, Comprobante 1: Importe Comp. 12345.67, Importe Ret. 62.51, corresponde 62"));
    EXPECT_EQ(w->gridModel->Fila(), 1);
    EXPECT_TRUE(w->Panel1->isEnabled());
}

#include "tests/e2e/window_on_database.h"

#include "app/masked_edit.h"
#include "app/tf_retenciones.h"
#include "common/codepage.h"
#include "declaration/declaration_file.h"
#include "declaration/reten_store.h"
#include "tests/report/pdf_probe.h"
#include "tests/support/qt_print.h"
#include "tests/support/scripted_dialogs.h"
#include "withholdings/grid_model.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <memory>

namespace {
const QString Question = QStringLiteral("Confirma Generar Archivo con Caracter de DDJJ ?");
const QString BaseName = QStringLiteral("17300140");

class DeclarationThroughWindow : public WindowOnDatabase {
public:
    void type(QLineEdit *box, const QString &text)
    {
        box->setCursorPosition(0); // a masked box takes its digits from the start
        // QTest spells ASCII keys only; other letters arrive as the text of an unnamed key.
        for (const QChar ch : text) {
            if (ch.unicode() < 128) {
                QTest::keyClick(box, char(ch.unicode()));
            } else {
                QTest::sendKeyEvent(QTest::Press, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
                QTest::sendKeyEvent(QTest::Release, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
            }
        }
        QTest::keyClick(box, Qt::Key_Return);
    }

    // Legajo 140 of the built-in registry, March 2017, then "Carga Manual".
    void enterHeader()
    {
        type(window->e_legaJo, QStringLiteral("140"));
        type(window->e_Mes, QStringLiteral("03"));
        type(window->E_ano, QStringLiteral("2017"));
        ASSERT_TRUE(window->Panel3->isVisible());
        QTest::mouseClick(window->B2, Qt::LeftButton);
        ASSERT_TRUE(window->Panel2->isVisible());
    }

    void enterRow(const char *cuit, const QString &company, const char *date, const char *receipt,
                  const char *invoice)
    {
        window->E_CuitReten->setFocus();
        type(window->E_CuitReten, QString::fromLatin1(cuit));
        type(window->empresa, company);
        type(window->E_FECha, QString::fromLatin1(date));
        type(window->E_Comprobante, QString::fromLatin1(receipt));
        type(window->Impo_compro, QString::fromLatin1(invoice));
        ASSERT_EQ(QApplication::focusWidget(), window->B_adiciona)
            << window->E_CuitReten->value().toStdString() << "|"
            << window->E_Comprobante->text().toStdString() << "|" << window->E_Importe->text().toStdString()
            << "|" << window->E_FECha->value().toStdString();
        QTest::keyClick(window->B_adiciona, Qt::Key_Return);
    }

    // Header and rows written straight into the boxes and the grid, for the paths that end early.
    void fillDirectly()
    {
        enterHeaderDirectly();
        window->gridModel->append(
            cells("1", "01/03/2017", "200.00", "1", QStringLiteral("A"), "20-12345678-9"));
        window->gridModel->append(
            cells("2", "02/03/2017", "400.00", "2", QStringLiteral("B"), "20-12345678-9"));
    }

    QList<Withholding> occupiedRows() const
    {
        QList<Withholding> rows;
        for (int row = 1; row <= window->gridModel->lastRow(); ++row)
            if (window->gridModel->isOccupied(row))
                rows << window->gridModel->withholding(row);
        return rows;
    }

    bool untouched() const
    {
        return window->e_legaJo->text() == QLatin1String("140") && !window->Panel1->isEnabled() &&
               window->Panel2->isVisible() && window->gridModel->isOccupied(2) &&
               !window->salida->isVisible();
    }
};
} // namespace

TEST_F(DeclarationThroughWindow, ManualDeclarationFromEndToEnd)
{
    open(path_);
    enterHeader();
    // Two of the CUITs fail their check digit; the clerk keeps them.
    dialogs.confirmations = {true, true};
    enterRow("20123456789", QStringLiteral("Ferretería Ñandú"), "05032017", "123", "12400");
    enterRow("30876543210", QStringLiteral("otra s.a."), "31032017", "124", "1000.99");
    enterRow("27000000011", QStringLiteral("tercera"), "15032017", "0007", "99.90");
    ASSERT_EQ(
        dialogs.questions(),
        (QStringList{QStringLiteral("Atención el CUIT 20-12345678-9 no es válido, ¿lo agrega igual?"),
                     QStringLiteral("Atención el CUIT 27-00000001-1 no es válido, ¿lo agrega igual?")}));
    ASSERT_EQ(dialogs.calls.size(), 2u) << dialogs.informations().join(QLatin1Char('/')).toStdString();
    dialogs.clear();
    ASSERT_EQ(window->e_totreten->text(), QStringLiteral("67"));

    const QList<Withholding> rows = occupiedRows();
    ASSERT_EQ(rows.size(), 3);
    const DeclarationHeader header{window->e_legaJo->text(), window->e_Mes->text(), window->E_ano->text(),
                                   window->e_Cuit->value(), window->e_Razon->text()};
    QByteArray expected;
    for (const Withholding &row : rows)
        expected += ToSystemCodePage(declarationRecord(row, header)) + "\r\r\n";

    dialogs.confirmations = {true};
    QTest::mouseClick(window->B_Confirma, Qt::LeftButton);

    EXPECT_EQ(dialogs.questions(), QStringList{Question});
    EXPECT_EQ(dialogs.errors(), QStringList());
    const QByteArray written = readAll(workFile(BaseName + ".txt"));
    EXPECT_EQ(written, expected);
    EXPECT_TRUE(written.startsWith("20-12345678-9"));
    EXPECT_EQ(committedRows(),
              (QStringList{QStringLiteral("123|03/2017|62|FERRETERÍA ÑANDÚ|20-12345678-9|05/03/2017"),
                           QStringLiteral("124|03/2017|5|OTRA S.A.|30-87654321-0|31/03/2017"),
                           QStringLiteral("0007|03/2017|0|TERCERA|27-00000001-1|15/03/2017")}));

    const QString pdf = programFolder() + BaseName + ".pdf";
    EXPECT_EQ(runTool("qpdf", {"--check", pdf}).exitCode, 0);
    const auto words = wordsOf(pdf);
    const PdfWord *period = findWord(words, 1, QStringLiteral("Legajo"));
    ASSERT_NE(period, nullptr);
    EXPECT_EQ(lineAt(words, 1, period->yMin),
              QStringLiteral("Periodo : 03/2017 Legajo : 140 ORTIZ OMAR FLORENCIO"));
    const PdfWord *first = findWord(words, 1, QStringLiteral("123"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(lineAt(words, 1, first->yMin),
              QStringLiteral("123 05/03/2017 20-12345678-9 62.00 FERRETERIA NANDU"));
    EXPECT_EQ(countWords(words, 1, QStringLiteral("67.00")), 1);
    // Both logos, cut from the window's pictures.
    const QByteArray images = runTool("pdfimages", {"-list", pdf}).output;
    EXPECT_TRUE(images.contains(" 209    87 ") && images.contains(" 209    82 ")) << images.constData();

    EXPECT_TRUE(window->salida->isVisible());
    EXPECT_EQ(window->salida->text(), QStringLiteral("SU ARCHIVOS(TXT y PDF)FUERON GENERADOS EN  ") +
                                          programFolder() + QStringLiteral(" CON EL NOMBRE :") + BaseName);
    EXPECT_TRUE(window->Panel1->isEnabled());
    EXPECT_FALSE(window->Panel2->isVisible());
    EXPECT_FALSE(window->Panel3->isVisible());
    EXPECT_FALSE(window->B_Confirma->isEnabled());
    EXPECT_TRUE(window->e_legaJo->text().isEmpty());
    EXPECT_EQ(window->e_totreten->text(), QStringLiteral("0"));
    EXPECT_FALSE(window->gridModel->isOccupied(1));
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(QApplication::focusWidget(), window->e_legaJo);

    // The same period's header again: CONFIRMA stays off, so the declaration just written
    // cannot be replaced by an empty one, until a load method is chosen.
    dialogs.clear();
    type(window->e_legaJo, QStringLiteral("140"));
    type(window->e_Mes, QStringLiteral("03"));
    type(window->E_ano, QStringLiteral("2017"));
    ASSERT_TRUE(window->Panel3->isVisible());
    QTest::mouseClick(window->B_Confirma, Qt::LeftButton);
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(committedRows().size(), 3);
    EXPECT_EQ(readAll(workFile(BaseName + ".txt")), expected);
    EXPECT_EQ(workFiles(), QStringList{BaseName + ".txt"});
    QTest::mouseClick(window->B2, Qt::LeftButton);
    EXPECT_TRUE(window->B_Confirma->isEnabled());
    EXPECT_EQ(window->gridModel->Fila(), 4);
}

// The ways CONFIRMA ends early through the window: the window stays as it stood, with no reset.
TEST_F(DeclarationThroughWindow, EarlyEndsLeaveTheWindowAsItStood)
{
    struct Case {
        const char *name;
        bool missingDatabase;
        bool answer;
        bool folderInTheWay;
        bool asked;
        const char *errorStart; // nullptr: no error box
    };
    const Case cases[] = {
        {"answer No", false, false, false, true, nullptr},
        {"database missing", true, true, false, false, ""},
        {"folder where the declaration is written", false, true, true, true, "File access denied"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.clear();
        open(c.missingDatabase ? work_.filePath(QStringLiteral("NONE.FDB")) : path_);
        EXPECT_EQ(dialogs.calls.size(), 0u); // the window opens without a message in any case
        fillDirectly();
        if (c.folderInTheWay) {
            ASSERT_TRUE(QDir(work_.path()).mkdir(BaseName + ".txt"));
        }
        if (c.asked)
            dialogs.confirmations = {c.answer};

        window->B_Confirma->click();

        EXPECT_EQ(dialogs.questions().size(), c.asked ? 1 : 0);
        const QStringList errors = dialogs.errors();
        if (c.errorStart) {
            ASSERT_EQ(errors.size(), 1);
            EXPECT_TRUE(errors.front().startsWith(QLatin1String(c.errorStart)))
                << errors.front().toStdString();
        } else {
            EXPECT_EQ(errors, QStringList());
        }
        EXPECT_TRUE(untouched());
        EXPECT_FALSE(window->F.isOpen());
        EXPECT_FALSE(QFileInfo(workFile(BaseName + ".txt")).isFile());
        EXPECT_FALSE(QFile::exists(programFolder() + BaseName + ".pdf"));
        EXPECT_EQ(committedRows(), QStringList());
        QDir(work_.path()).rmdir(BaseName + ".txt");
        window.reset();
    }
}

// Started before its database existed, the window reaches it at the next CONFIRMA once it does.
TEST_F(DeclarationThroughWindow, DatabaseCreatedAfterStartUpIsUsedByTheNextGeneration)
{
    const QString later = work_.filePath(QStringLiteral("LATER.FDB"));
    open(later);
    fillDirectly();
    window->B_Confirma->click();
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_EQ(dialogs.questions().size(), 0);

    ASSERT_TRUE(QFile::copy(path_, later));
    dialogs.clear();
    dialogs.confirmations = {true};
    window->B_Confirma->click();
    EXPECT_EQ(dialogs.errors(), QStringList());
    EXPECT_EQ(dialogs.questions(), QStringList{Question});
    EXPECT_TRUE(window->salida->isVisible());
    EXPECT_EQ(readAll(workFile(BaseName + ".txt")).count('\n'), 2);
}

// A large agent's month: 20,000 lines imported through the window, the last row deleted with a
// double click, the declaration generated, then reloaded into the emptied grid.
TEST_F(DeclarationThroughWindow, TwentyThousandRowsImportGenerateAndReload)
{
    constexpr int Lines = 20000;
    QList<Withholding> rows;
    rows.reserve(Lines);
    for (int i = 1; i <= Lines; ++i)
        rows << cells(QByteArray::number(i).constData(), "01/03/2017", "1000.00", "5",
                      QStringLiteral("PROVEEDOR"), "20-12345678-6");
    const QString exported = programFolder() + QStringLiteral("export.txt");
    TextFile file;
    writeDeclarationFile(file, exported,
                         {QStringLiteral("140"), QStringLiteral("3"), QStringLiteral("2017"),
                          QStringLiteral("20-29985385-4"), QStringLiteral("ORTIZ OMAR FLORENCIO")},
                         rows);

    open(path_);
    type(window->e_legaJo, QStringLiteral("140"));
    type(window->e_Mes, QStringLiteral("03"));
    type(window->E_ano, QStringLiteral("2017"));
    dialogs.files.push_back(exported);
    QTest::mouseClick(window->B1, Qt::LeftButton);
    ASSERT_EQ(dialogs.informations(), QStringList());
    ASSERT_EQ(dialogs.errors(), QStringList());
    ASSERT_EQ(window->gridModel->rowCount(), Lines);
    EXPECT_EQ(window->e_totreten->text(), QStringLiteral("100000"));

    // The clerk scrolls to the end and double-clicks the last row away.
    window->Grilla->scrollToBottom();
    const QModelIndex last = window->gridModel->index(Lines - 1, 1);
    const QRect cell = window->Grilla->visualRect(last);
    ASSERT_TRUE(window->Grilla->viewport()->rect().contains(cell.center()));
    QTest::mouseClick(window->Grilla->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(window->Grilla->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_FALSE(window->gridModel->isOccupied(Lines));
    EXPECT_TRUE(window->gridModel->isOccupied(Lines - 1));
    EXPECT_EQ(window->e_totreten->text(), QStringLiteral("99995"));

    dialogs.confirmations = {true};
    QTest::mouseClick(window->B_Confirma, Qt::LeftButton);
    ASSERT_EQ(dialogs.errors(), QStringList());
    const QByteArray written = readAll(workFile(BaseName + ".txt"));
    EXPECT_EQ(written.count('\n'), Lines - 1);
    EXPECT_TRUE(written.contains("0000000019999"));
    EXPECT_FALSE(written.contains("0000000020000"));
    EXPECT_EQ(committedRows().size(), Lines - 1);
    // 42 rows a page.
    EXPECT_EQ(pageCount(programFolder() + BaseName + ".pdf"), (Lines - 1 + 41) / 42);
    EXPECT_EQ(window->gridModel->rowCount(), GridModel::ShownRows);

    dialogs.clear();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    enterHeader();
    EXPECT_EQ(dialogs.calls.size(), 0u);
    EXPECT_EQ(window->gridModel->rowCount(), Lines - 1);
    EXPECT_EQ(window->gridModel->cell(Lines - 1, ReceiptColumn), QStringLiteral("0000000019999"));
    EXPECT_EQ(window->e_totreten->text(), QStringLiteral("99995"));
}

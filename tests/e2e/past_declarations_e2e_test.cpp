// The declarations of earlier CONFIRMAs, reached from the main window: the status line opens
// the new listing, F7 lists what the database recorded and opens listings and folders through
// the desktop, and a file changed, gone or on another machine is marked and explained.
#include "tests/e2e/window_on_database.h"

#include "app/tf_anteriores.h"
#include "app/tf_retenciones.h"
#include "declaration/past_declarations_model.h"
#include "declaration/reten_store.h"
#include "tests/report/pdf_probe.h"
#include "tests/support/qt_print.h"
#include "tests/support/scripted_dialogs.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <functional>
#include <memory>

namespace {
const QString BaseName = QStringLiteral("17300140");

class PastDeclarationsThroughWindow : public WindowOnDatabase {
public:
    void SetUp() override
    {
        WindowOnDatabase::SetUp();
        open(path_);
    }

    // A declaration of legajo 140, March 2017, with `rows` rows, confirmed through the window.
    void declare(int rows)
    {
        enterHeaderDirectly();
        for (int i = 1; i <= rows; ++i)
            window->gridModel->append(cells(QByteArray::number(i).constData(), "01/03/2017", "200.00", "1",
                                            QStringLiteral("PROVEEDOR %1").arg(i), "20-12345678-9"));
        dialogs.confirmations = {true};
        QTest::mouseClick(window->B_Confirma, Qt::LeftButton);
        ASSERT_EQ(dialogs.errors(), QStringList());
        dialogs.clear();
        // The progress window gives the keyboard back once it is gone.
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // Opens the window of past declarations with F7 and runs `steps` in it while it is up.
    void withPastDeclarations(const std::function<void(TF_Anteriores &)> &steps)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto *past = qobject_cast<TF_Anteriores *>(QApplication::activeModalWidget());
            if (past) {
                steps(*past);
                ran = true;
                past->reject();
            }
        });
        QTest::keyClick(window.get(), Qt::Key_F7);
        ASSERT_TRUE(ran) << "F7 did not open the window of past declarations";
        // The keyboard back to the main window, as the desktop gives it when a dialog closes.
        ASSERT_TRUE(showActive(*window));
    }

    static QStringList column(const TF_Anteriores &past, int c)
    {
        QStringList texts;
        for (int row = 0; row < past.model->rowCount(); ++row)
            texts << past.model->data(past.model->index(row, c)).toString();
        return texts;
    }
};
} // namespace

// After a declaration a click on the status line opens its listing through the desktop; when
// the desktop cannot, the clerk is told where the file is.
TEST_F(PastDeclarationsThroughWindow, TheStatusLineOpensTheNewListing)
{
    declare(2);
    ASSERT_TRUE(window->salida->isVisible());
    QTest::mouseClick(window->salida, Qt::LeftButton);
    EXPECT_EQ(dialogs.opened(), QStringList{programFolder() + BaseName + ".pdf"});
    EXPECT_EQ(dialogs.informations(), QStringList());

    dialogs.clear();
    dialogs.desktopOpens = false;
    QTest::mouseClick(window->salida, Qt::LeftButton);
    ASSERT_EQ(dialogs.informations().size(), 1);
    EXPECT_TRUE(dialogs.informations()[0].contains(programFolder() + BaseName + ".pdf"));
    EXPECT_EQ(QApplication::focusWidget(), window->e_legaJo);

    // Another declaration's listing under its name since: not opened, the clerk told where to go.
    dialogs.clear();
    dialogs.desktopOpens = true;
    QFile listing(programFolder() + BaseName + ".pdf");
    ASSERT_TRUE(listing.open(QIODevice::WriteOnly));
    listing.write("%PDF (SHA-256 0123456789abcdef) Tj");
    listing.close();
    QTest::mouseClick(window->salida, Qt::LeftButton);
    EXPECT_EQ(dialogs.opened(), QStringList());
    ASSERT_EQ(dialogs.informations().size(), 1);
    EXPECT_TRUE(dialogs.informations()[0].contains(QStringLiteral("Anteriores (F7)")));
}

// F7 lists every recorded declaration newest first, with its version and whether its file is
// still the one handed in; the filters narrow the list; a row's listing and folder open through
// the desktop, the listing made again from its file when it is gone.
TEST_F(PastDeclarationsThroughWindow, F7ListsThePastDeclarationsAndOpensTheirFiles)
{
    declare(2);
    declare(3);
    // A declaration a colleague made on his machine, on the same database.
    transaction_->executeImmediate(QStringLiteral(
        "insert into declaracion (legajo, anio, mes, base, version, confirmada, filas, total, sha256, bytes, "
        "equipo, archivo, listado) values ('415', 2017, 2, '17200415', 1, '2017-03-10 09:00:00', 1, 5, "
        "'00', 198, 'OFICINA-2', 'C:\\Retenciones\\17200415.txt', 'C:\\Retenciones\\17200415.pdf')"));
    transaction_->commit();
    window->e_legaJo->setFocus();

    const QString kept = QDir(work_.filePath(QStringLiteral("anteriores"))).entryList({"*.txt"}).value(0);
    ASSERT_FALSE(kept.isEmpty());
    const QString keptListing =
        work_.filePath(QStringLiteral("anteriores/") + QFileInfo(kept).completeBaseName() + ".pdf");
    withPastDeclarations([&](TF_Anteriores &past) {
        EXPECT_EQ(past.windowTitle(), QStringLiteral("Declaraciones anteriores"));
        EXPECT_EQ(column(past, 0), (QStringList{"415", "140", "140"}));
        EXPECT_EQ(column(past, 2), (QStringList{"1", "2", "1"}));
        EXPECT_EQ(column(past, 4), (QStringList{"1", "3", "2"}));
        EXPECT_EQ(column(past, PastDeclarationsModel::MarkColumn),
                  (QStringList{"en otro equipo (OFICINA-2)", "sin cambios", "sin cambios"}));
        EXPECT_EQ(column(past, 6), (QStringList{"17200415.txt", BaseName + ".txt", kept}));
        EXPECT_EQ(past.cantidad->text(), QStringLiteral("3 declaraciones"));

        // The filters, typed.
        QTest::keyClicks(past.e_FiltroLegajo, QStringLiteral("140"));
        EXPECT_EQ(column(past, 2), (QStringList{"2", "1"}));
        QTest::keyClicks(past.e_FiltroPeriodo, QStringLiteral("02/2017"));
        EXPECT_EQ(past.model->rowCount(), 0);
        EXPECT_EQ(past.cantidad->text(), QStringLiteral("0 declaraciones"));
        past.e_FiltroPeriodo->clear();
        past.e_FiltroLegajo->clear();

        // The earlier version's listing and folder, where they were kept.
        past.lista->setCurrentIndex(past.model->index(2, 0));
        QTest::mouseClick(past.B_Listado, Qt::LeftButton);
        QTest::mouseClick(past.B_Carpeta, Qt::LeftButton);
        EXPECT_EQ(dialogs.opened(), (QStringList{keptListing, work_.filePath(QStringLiteral("anteriores"))}));

        // Its certificates, read from the kept file, beside the declarations under its kept name.
        QTest::mouseClick(past.B_Constancias, Qt::LeftButton);
        ASSERT_EQ(dialogs.openedFiles().size(), 1);
        EXPECT_TRUE(
            dialogs.openedFiles()[0].startsWith(work_.filePath(QStringLiteral("constancias/17300140 "))))
            << dialogs.openedFiles()[0].toStdString();
        EXPECT_EQ(runTool("qpdf", {"--check", dialogs.openedFiles()[0]}).exitCode, 0);

        // Its listing gone: made again from the kept file, then opened; Enter on the row does it.
        dialogs.clear();
        ASSERT_TRUE(QFile::remove(keptListing));
        past.lista->setFocus();
        QTest::keyClick(past.lista, Qt::Key_Return);
        EXPECT_EQ(dialogs.opened(), QStringList{keptListing});
        EXPECT_EQ(runTool("qpdf", {"--check", keptListing}).exitCode, 0);
        const auto words = wordsOf(keptListing);
        const PdfWord *summary = findWord(words, 1, QStringLiteral("SHA-256"));
        ASSERT_NE(summary, nullptr);
        EXPECT_TRUE(lineAt(words, 1, summary->yMin)
                        .startsWith(QStringLiteral("Archivo 17300140.txt: 2 retenciones")));

        // The colleague's declaration is on his machine: said, nothing opened.
        dialogs.clear();
        past.lista->setCurrentIndex(past.model->index(0, 0));
        QTest::mouseClick(past.B_Listado, Qt::LeftButton);
        EXPECT_EQ(dialogs.opened(), QStringList());
        ASSERT_EQ(dialogs.errors().size(), 1);
        EXPECT_TRUE(dialogs.errors()[0].contains(QStringLiteral("en el equipo OFICINA-2")))
            << dialogs.errors()[0].toStdString();
    });
    EXPECT_EQ(QApplication::focusWidget(), window->e_legaJo);

    // Changed and deleted behind the program's back: marked the next time the window opens, and
    // no listing is made from a file that is not the one handed in.
    {
        QFile file(workFile(BaseName + ".txt"));
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("X\r\r\n");
    }
    ASSERT_TRUE(QFile::remove(programFolder() + BaseName + ".pdf"));
    ASSERT_TRUE(QFile::remove(work_.filePath(QStringLiteral("anteriores/")) + kept));
    dialogs.clear();
    withPastDeclarations([&](TF_Anteriores &past) {
        EXPECT_EQ(column(past, PastDeclarationsModel::MarkColumn),
                  (QStringList{"en otro equipo (OFICINA-2)", "modificado", "no encontrado"}));
        past.lista->setCurrentIndex(past.model->index(1, 0));
        QTest::mouseClick(past.B_Listado, Qt::LeftButton);
        ASSERT_EQ(dialogs.errors().size(), 1);
        EXPECT_TRUE(dialogs.errors()[0].contains(QStringLiteral("fue modificado")))
            << dialogs.errors()[0].toStdString();
        // Nor certificates.
        QTest::mouseClick(past.B_Constancias, Qt::LeftButton);
        EXPECT_EQ(dialogs.openedFiles(), QStringList());
        EXPECT_EQ(dialogs.informations().size(), 1);
    });
    EXPECT_EQ(dialogs.opened(), QStringList());
    EXPECT_FALSE(QFile::exists(programFolder() + BaseName + ".pdf"));
}

// A database made before declarations were recorded: the window opens and says so.
TEST_F(PastDeclarationsThroughWindow, ADatabaseThatRecordsNothingIsSaidSo)
{
    transaction_->executeImmediate(QStringLiteral("drop table DECLARACION"));
    transaction_->commit();
    withPastDeclarations([&](TF_Anteriores &past) {
        EXPECT_EQ(past.model->rowCount(), 0);
        EXPECT_TRUE(past.cantidad->text().contains(QStringLiteral("le falta la tabla DECLARACION")));
        QTest::mouseClick(past.B_Listado, Qt::LeftButton);
        EXPECT_EQ(dialogs.informations(),
                  QStringList{QStringLiteral("Elija primero una declaración de la lista.")});
    });
    EXPECT_EQ(dialogs.errors(), QStringList());
}

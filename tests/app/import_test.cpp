#include "app/tf_retenciones.h"

#include "app/qt_dialogs.h"
#include "tests/app/window_fixture.h"
#include "tests/support/qt_print.h"
#include "tests/support/scripted_dialogs.h"
#include "withholdings/grid_model.h"

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString Mismatch = QString::fromUtf8("Atención, No coincide importe de retención, verifique!!!");

// A record as the declaration writer lays it out, of March 2017 and the header's agent unless
// told otherwise.
QByteArray record(const char *receipt, const char *withheld, const char *invoice,
                  const char *supplier = "30-12345678-1", const char *yearMonth = "2017 3",
                  const char *agent = "30-70000001-2")
{
    return QByteArray(supplier).rightJustified(13, ' ') + yearMonth + "05032017" + withheld + receipt +
           QByteArray("PROVEEDOR").leftJustified(60, ' ') + agent +
           QByteArray("AGENTE").leftJustified(60, ' ') + invoice + "\r\r\n";
}

class Import : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        // The state an accepted year leaves: header locked, load-method panel shown.
        w->e_legaJo->setText(QStringLiteral("415"));
        w->e_Mes->setText(QStringLiteral("3"));
        w->E_ano->setText(QStringLiteral("2017"));
        w->e_Cuit->setText(QStringLiteral("30-70000001-2"));
        w->Panel1->setEnabled(false);
        w->Panel3->show();
    }

    // A file in a folder of its own, away from the working folder.
    QString file(const QByteArray &bytes, const char *name = "export.txt")
    {
        const QString path = dir.filePath(QLatin1String(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    void importFile(const std::optional<QString> &path)
    {
        dialogs.files.push_back(path);
        QTest::mouseClick(w->B1, Qt::LeftButton);
        EXPECT_TRUE(dialogs.files.empty());
    }

    QStringList row(int r) const
    {
        QStringList cells;
        for (int c = 0; c < GridModel::ColumnCount; ++c)
            cells << w->gridModel->cell(r, c);
        return cells;
    }

    QTemporaryDir dir;
};

} // namespace

// The file lies outside the working folder, which stays where it was. A second import of the
// same file appends its rows again, numbered on, and counts them again.
TEST_F(Import, GoodFileAppendsAndEnablesConfirma)
{
    const QString path = file(record("0000000000123", "00000006200", "00001234567") +
                              record("0000000000000", "00000099900", "00001234567") +
                              record("0000000000124", "00000000500", "00000100000"));
    const QString workingFolder = QDir::currentPath();
    importFile(path);

    EXPECT_TRUE(dialogs.calls.size() == 1 && dialogs.calls[0].kind == ScriptedDialogs::Kind::FileOpen);
    EXPECT_EQ(QDir::currentPath(), workingFolder);
    EXPECT_EQ(row(1), (QStringList{"1", "0000000000123", "05/03/2017", "000012345.67", "62", "PROVEEDOR",
                                   "30-12345678-1"}));
    EXPECT_EQ(row(2)[1], QStringLiteral("0000000000124"));
    EXPECT_EQ(w->gridModel->Fila(), 3);
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("67"));
    EXPECT_TRUE(w->B_Confirma->isEnabled());
    EXPECT_TRUE(w->Panel3->isVisible());
    EXPECT_FALSE(w->Panel2->isVisible());
    EXPECT_FALSE(w->Panel1->isEnabled());
    EXPECT_FALSE(w->FF.isOpen());

    importFile(path);
    EXPECT_EQ(row(3)[0], QStringLiteral("3"));
    EXPECT_EQ(row(4)[1], QStringLiteral("0000000000124"));
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("134"));
    EXPECT_TRUE(dialogs.informations().isEmpty());
}

// All lines are read and appended, then the message with the disagreeing line in its details,
// then the reset: rows from before the import go too. CONFIRMA keeps its state.
TEST_F(Import, MismatchShowsTheLinesAndResets)
{
    w->gridModel->append({"9", "01/03/2017", "1000.00", "5", "ANTES", "20-11111111-1"});
    importFile(file(record("0000000000001", "00000006200", "00001234567") +
                    record("0000000000002", "00000006200", "00001234567") +
                    record("0000000000003", "00000007000", "00001234567") +
                    record("0000000000004", "00000006200", "00001234567") +
                    record("0000000000005", "00000006200", "00001234567")));

    ASSERT_EQ(dialogs.informations(), QStringList{Mismatch});
    EXPECT_TRUE(
        dialogs.calls.back().details.startsWith(QString::fromUtf8("Línea 3, Comprobante 0000000000003")));
    EXPECT_EQ(w->gridModel->Fila(), 1);
    EXPECT_EQ(w->gridModel->cell(1, 1), QString());
    EXPECT_EQ(w->gridModel->cell(6, 1), QString());
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("0"));
    EXPECT_TRUE(w->Panel1->isEnabled());
    EXPECT_EQ(w->e_legaJo->text(), QString());
    EXPECT_TRUE(w->Panel3->isVisible());
    EXPECT_FALSE(w->B_Confirma->isEnabled());
}

// Lines of another agent or period, or with a supplier CUIT that fails its check, are listed in
// one box after an import whose amounts agree; the rows stay and CONFIRMA is enabled.
TEST_F(Import, ForeignOrMistypedLinesAreListedForReview)
{
    importFile(file(
        record("0000000000001", "00000006200", "00001234567") +
        record("0000000000000", "00000006200", "00001234567", "30-12345678-9") +
        record("0000000000003", "00000006200", "00001234567", "30-12345678-9") +
        record("0000000000004", "00000006200", "00001234567", "30-12345678-1", "2017 2") +
        record("0000000000005", "00000006200", "00001234567", "30-12345678-1", "2017 3", "30-22255705-0") +
        record("0000000000006", "00000006200", "00001234567", "20123456786", "2016 3")));

    ASSERT_EQ(dialogs.informations(),
              QStringList{QStringLiteral("Atención, revise 4 renglones del archivo")});
    EXPECT_EQ(dialogs.calls.back().details,
              QStringLiteral("Línea 3, Comprobante 0000000000003: CUIT 30-12345678-9 inválido\n"
                             "Línea 4: período 2/2017, se declara 3/2017\n"
                             "Línea 5: CUIT del agente 30-22255705-0, se declara 30-70000001-2\n"
                             "Línea 6, Comprobante 0000000000006: CUIT 20123456786 inválido; "
                             "período 3/2016, se declara 3/2017"));
    EXPECT_EQ(w->gridModel->Fila(), 6);
    EXPECT_EQ(w->gridModel->cell(2, 6), QStringLiteral("30-12345678-9"));
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("310"));
    EXPECT_TRUE(w->B_Confirma->isEnabled());
    EXPECT_FALSE(w->Panel1->isEnabled());
    EXPECT_TRUE(w->Panel3->isVisible());
}

// Amounts that no rule gives never reach a declaration: a stored amount that would be
// declared above manual entry's, and negative amounts whose whole parts agree.
TEST_F(Import, AmountsNoRuleGivesAreMismatches)
{
    const struct {
        const char *withheld, *invoice, *detail;
    } cases[] = {
        {"00000006251", "00001234567", "Importe Ret. 000000062.51, corresponde 62"},
        {"00000006299", "00001234567", "Importe Ret. 000000062.99, corresponde 62"},
        {"-0000006100", "-0001234567", "Importe Ret. -00000061.00"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.withheld);
        dialogs.clear();
        w->B_Confirma->setEnabled(false);
        importFile(file(record("0000000000123", c.withheld, c.invoice)));
        EXPECT_EQ(dialogs.informations(), QStringList{Mismatch});
        EXPECT_TRUE(dialogs.calls.back().details.contains(QLatin1String(c.detail)))
            << dialogs.calls.back().details.toStdString();
        EXPECT_EQ(w->gridModel->Fila(), 1);
        EXPECT_FALSE(w->B_Confirma->isEnabled());
    }
}

// Receipts of up to 13 digits, as manual entry takes them and the declaration writes them.
TEST_F(Import, ThirteenDigitReceiptsImport)
{
    importFile(file(record("0002200001234", "00000006200", "00001234567") +
                    record("9999999999999", "00000000500", "00000100000")));
    EXPECT_TRUE(dialogs.errors().isEmpty());
    EXPECT_EQ(row(1)[1], QStringLiteral("0002200001234"));
    EXPECT_EQ(row(2)[1], QStringLiteral("9999999999999"));
    EXPECT_EQ(w->e_totreten->text(), QStringLiteral("67"));
    EXPECT_TRUE(w->B_Confirma->isEnabled());
}

TEST_F(Import, CancelledChoiceEnablesConfirma)
{
    importFile(std::nullopt);
    EXPECT_TRUE(w->B_Confirma->isEnabled());
    EXPECT_EQ(w->gridModel->Fila(), 1);
    EXPECT_EQ(dialogs.calls.size(), 1u);
}

// A line that does not convert, or a file that is gone, shows the error and appends nothing,
// not even the lines before it; CONFIRMA stays as it was and the file is closed.
TEST_F(Import, ErrorsAppendNothing)
{
    const struct {
        QByteArray bytes;
        bool remove;
        const char *error;
    } cases[] = {
        {record("0000000000001", "00000006200", "00001234567") +
             record("123          ", "00000006200", "00001234567"),
         false, "''123          '' is not a valid integer value."},
        {record("0000000000001", "00000006200", "00001234567"), true, "The specified file was not found."},
    };
    w->gridModel->append({"9", "01/03/2017", "1000.00", "5", "ANTES", "20-11111111-1"});
    for (const auto &c : cases) {
        dialogs.clear();
        const QString path = file(c.bytes);
        if (c.remove)
            QFile::remove(path);
        importFile(path);
        EXPECT_EQ(dialogs.errors(), QStringList{QString::fromUtf8(c.error)});
        EXPECT_EQ(w->gridModel->Fila(), 2);
        EXPECT_EQ(w->e_totreten->text(), QStringLiteral("5"));
        EXPECT_FALSE(w->B_Confirma->isEnabled());
        EXPECT_FALSE(w->FF.isOpen());
    }
}

// A file with more rows than the grid has free appends nothing and says so; one that fills
// the grid to its last row goes in whole.
TEST_F(Import, FileThatDoesNotFitAppendsNothing)
{
    w->gridModel->appendAll(QList<Withholding>(GridModel::LastRow - 2,
                                               {"1", "01/03/2017", "1000.00", "5", "X", "20-11111111-1"}));
    const QByteArray three = record("0000000000001", "00000006200", "00001234567") +
                             record("0000000000002", "00000006200", "00001234567") +
                             record("0000000000003", "00000006200", "00001234567");
    const QString total = w->e_totreten->text();

    importFile(file(three));
    EXPECT_EQ(dialogs.informations(),
              QStringList{QString::fromUtf8(
                  "Atención, El archivo tiene 3 comprobantes y la grilla sólo admite 2 más !!!")});
    EXPECT_EQ(w->gridModel->Fila(), GridModel::LastRow - 1);
    EXPECT_EQ(w->e_totreten->text(), total);
    EXPECT_FALSE(w->B_Confirma->isEnabled());

    dialogs.clear();
    importFile(file(three.left(2 * 198)));
    EXPECT_TRUE(dialogs.informations().isEmpty());
    EXPECT_EQ(w->gridModel->cell(GridModel::LastRow, 1), QStringLiteral("0000000000002"));
    EXPECT_EQ(w->gridModel->Fila(), GridModel::LastRow + 1);
    EXPECT_TRUE(w->B_Confirma->isEnabled());
}

// The real box: the message as its text, the lines as its detailed text, OK closes it.
TEST_F(Import, MismatchBoxUnfoldsItsDetails)
{
    QString title, text, details;
    bool hasOk = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(top);
            if (!box || !box->isVisible())
                continue;
            poll.stop();
            title = box->windowTitle();
            text = box->text();
            details = box->detailedText();
            for (QAbstractButton *b : box->buttons()) {
                if (b->text() == QStringLiteral("OK")) {
                    hasOk = true;
                    b->click();
                }
            }
            if (!hasOk)
                box->done(0);
        }
    });
    poll.start();
    QtDialogs().ShowInformationWithDetails(Mismatch, QStringLiteral("first\nsecond"));
    EXPECT_EQ(title, QStringLiteral("Information"));
    EXPECT_EQ(text, Mismatch);
    EXPECT_EQ(details, QStringLiteral("first\nsecond"));
    EXPECT_TRUE(hasOk);
}

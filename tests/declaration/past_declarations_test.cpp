// The rules of the window of past declarations, on real files: whether a recorded file is still
// the one handed in, the filters, the rows, and the listing opened or made again.
#include "declaration/filed_declaration.h"
#include "declaration/listing_from_file.h"
#include "declaration/past_declarations_model.h"

#include "common/codepage.h"
#include "common/errors.h"
#include "declaration/declaration_file.h"
#include "declaration/report_layout.h"
#include "tests/report/pdf_probe.h"
#include "tests/support/qt_print.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

namespace {
const DeclarationHeader Agent{QStringLiteral("415"), QStringLiteral("3"), QStringLiteral("2017"),
                              QStringLiteral("30-70000001-2"), QStringLiteral("AGENTE DE PRUEBA SRL")};

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class PastDeclarations : public ::testing::Test {
protected:
    // A declaration of `rows` rows written to its file and recorded as the generation records it.
    FiledDeclaration declared(int rows, const QString &name = QStringLiteral("17300415.txt"))
    {
        QByteArray bytes;
        for (int i = 1; i <= rows; ++i) {
            const Withholding row{
                QString::number(i),
                QStringLiteral("15/03/2017"),
                QStringLiteral("12400.00"),
                QStringLiteral("62"),
                i == 2 ? QStringLiteral("DISTRIBUIDORA MAYORISTA DEL LITORAL ARGENTINO S.R.L. SUC. 12")
                       : QStringLiteral("PROVEEDOR %1").arg(i),
                QStringLiteral("20-12345678-9")};
            bytes += ToSystemCodePage(declarationRecord(row, Agent)) + "\r\r\n";
        }
        FiledDeclaration d;
        d.id = 7;
        d.legajo = QStringLiteral("415");
        d.year = 2017;
        d.month = 3;
        d.baseName = QStringLiteral("17300415");
        d.version = 2;
        d.confirmedAt = QDateTime(QDate(2026, 12, 9), QTime(10, 31, 5));
        d.rows = rows;
        d.total = 62.0 * rows;
        d.sha256 = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
        d.bytes = bytes.size();
        d.agentName = Agent.agentName;
        d.host = thisMachine();
        d.file = dir.filePath(name);
        d.listing = dir.filePath(QStringLiteral("listados/17300415.pdf"));
        QDir().mkpath(QFileInfo(d.file).path());
        writeAll(d.file, bytes);
        return d;
    }

    void SetUp() override { ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("listados"))); }

    QString programFolder() const { return dir.filePath(QStringLiteral("listados")) + QLatin1Char('/'); }
    // A listing whose last page names the fingerprint of `d`'s file.
    static QByteArray listingNaming(const QByteArray &sha256)
    {
        return "%PDF (Archivo 17300415.txt: 3 retenciones, total 186.00, SHA-256 " + sha256.left(16) + ") Tj";
    }

    QTemporaryDir dir;
    ReportDefinition report =
        ListingReport(QImage(232, 107, QImage::Format_RGB32), QImage(213, 107, QImage::Format_RGB32));
};
} // namespace

// What happened to the file since it was recorded, and the mark the window shows for it.
TEST_F(PastDeclarations, TheMarkSaysWhetherTheFileIsStillTheOneHandedIn)
{
    const struct {
        const char *name;
        std::function<void(FiledDeclaration &)> change;
        FileMark mark;
        const char *text;
    } cases[] = {
        {"untouched", [](FiledDeclaration &) {}, FileMark::Unchanged, "sin cambios"},
        {"one digit changed, same size",
         [](FiledDeclaration &d) {
             QFile file(d.file);
             ASSERT_TRUE(file.open(QIODevice::ReadWrite));
             file.seek(30);
             file.write("9");
         },
         FileMark::Modified, "modificado"},
        {"a line added",
         [](FiledDeclaration &d) {
             QFile file(d.file);
             ASSERT_TRUE(file.open(QIODevice::Append));
             file.write("X\r\r\n");
         },
         FileMark::Modified, "modificado"},
        {"deleted", [](FiledDeclaration &d) { QFile::remove(d.file); }, FileMark::Missing, "no encontrado"},
        {"a folder in its place",
         [](FiledDeclaration &d) {
             QFile::remove(d.file);
             QDir().mkdir(d.file);
         },
         FileMark::Missing, "no encontrado"},
        {"written on another machine", [](FiledDeclaration &d) { d.host = QStringLiteral("OFICINA-2"); },
         FileMark::OtherMachine, "en otro equipo (OFICINA-2)"},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FiledDeclaration d = declared(3, QStringLiteral("case%1.txt").arg(++n));
        c.change(d);
        const FileMark mark = checkFiledDeclaration(d);
        EXPECT_EQ(mark, c.mark);
        EXPECT_EQ(fileMarkText(mark, d), QString::fromUtf8(c.text));
    }
    // A pipe planted under a file's name is never read: nothing waits on it.
    const QString pipe = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(fileSha256(pipe), QByteArray());
}

TEST(PastDeclarationFilter, ByLegajoAndPeriod)
{
    FiledDeclaration d;
    d.legajo = QStringLiteral("415");
    d.year = 2017;
    d.month = 3;
    const struct {
        const char *legajo;
        const char *period;
        bool shown;
    } cases[] = {
        {"", "", true},           {"415", "", true},         {"00415", "", true},   {"41", "", false},
        {" 415 ", "", true},      {"", "3/2017", true},      {"", "03/2017", true}, {"", "03-2017", true},
        {"", " 3 / 2017 ", true}, {"", "4/2017", false},     {"", "2017", true},    {"", "2018", false},
        {"415", "03/2017", true}, {"416", "03/2017", false}, {"", "marzo", false},  {"", "3/17", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(matchesFilter(d, QString::fromUtf8(c.legajo), QString::fromUtf8(c.period)), c.shown)
            << c.legajo << " | " << c.period;
}

// The list shows the rows it is given in their order, with each file's mark looked at only when
// its row is asked for, and takes rows from its source a batch at a time as they are wanted.
TEST_F(PastDeclarations, TheListShowsRowsWithTheirMarksABatchAtATime)
{
    FiledDeclaration newer = declared(2, QStringLiteral("a.txt"));
    FiledDeclaration older = declared(3, QStringLiteral("b.txt"));
    older.version = 1;
    older.month = 2;
    FiledDeclaration elsewhere = older;
    elsewhere.host = QStringLiteral("OFICINA-2");
    elsewhere.legajo = QStringLiteral("140");
    elsewhere.file = QStringLiteral("C:\\Retenciones\\17200140.txt");
    QFile::remove(older.file);

    PastDeclarationsModel model;
    model.setDeclarations({newer, older, elsewhere});
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.columnCount(), 8);
    EXPECT_FALSE(model.canFetchMore({}));
    auto row = [&](int r) {
        QStringList cells;
        for (int column = 0; column < model.columnCount(); ++column)
            cells << model.data(model.index(r, column)).toString();
        return cells;
    };
    EXPECT_EQ(row(0), (QStringList{"415", "03/2017", "2", "09/12/2026 10:31:05", "2", "124.00", "a.txt",
                                   "sin cambios"}));
    EXPECT_EQ(row(1).last(), QStringLiteral("no encontrado"));
    EXPECT_EQ(row(2).mid(6), (QStringList{"17200140.txt", "en otro equipo (OFICINA-2)"}));
    EXPECT_EQ(model.headerData(7, Qt::Horizontal).toString(), QStringLiteral("Estado del archivo"));

    // 250 rows from a source: a batch at once, the rest as the list asks for it.
    int given = 0;
    QList<int> asked;
    model.setSource([&](int max) {
        asked << max;
        QList<FiledDeclaration> rows;
        while (given < 250 && rows.size() < max) {
            FiledDeclaration d = newer;
            d.version = ++given;
            rows << d;
        }
        return rows;
    });
    EXPECT_EQ(model.rowCount(), PastDeclarationsModel::Batch);
    while (model.canFetchMore({}))
        model.fetchMore({});
    EXPECT_EQ(model.rowCount(), 250);
    EXPECT_EQ(model.declaration(249).version, 250);
    EXPECT_EQ(asked, (QList<int>{100, 100, 100}));
}

// The listing is opened where it was written when it is the declaration's own; when it is gone,
// or is another declaration's (the earlier one of its name), it is made again from the file,
// which must still be the one recorded, at the same place.
TEST_F(PastDeclarations, TheListingIsOpenedOrMadeAgainFromAnUnchangedFile)
{
    FiledDeclaration d = declared(3);
    writeAll(d.listing, listingNaming(d.sha256));
    EXPECT_EQ(listingToOpen(d, report, programFolder()), d.listing);
    EXPECT_EQ(QFile(d.listing).size(), listingNaming(d.sha256).size()) << "its own listing is not made again";

    const struct {
        const char *name;
        std::function<void()> before;
    } cases[] = {
        {"gone", [&] { QFile::remove(d.listing); }},
        {"the earlier declaration's", [&] { writeAll(d.listing, listingNaming(QByteArray(64, 'e'))); }},
        {"one that names no fingerprint", [&] { writeAll(d.listing, "%PDF OLDER PROGRAM"); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        c.before();
        EXPECT_EQ(listingToOpen(d, report, programFolder()), d.listing);
        EXPECT_EQ(runTool("qpdf", {"--check", d.listing}).exitCode, 0);
        EXPECT_TRUE(listingBelongsTo(d.listing, d.sha256));
    }
    const auto words = wordsOf(d.listing);
    const PdfWord *period = findWord(words, 1, QStringLiteral("03/2017"));
    ASSERT_NE(period, nullptr);
    EXPECT_EQ(lineAt(words, 1, period->yMin),
              QStringLiteral("Periodo : 03/2017 Legajo : 415 AGENTE DE PRUEBA SRL"));
    const PdfWord *first = findWord(words, 1, QStringLiteral("0000000000001"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(lineAt(words, 1, first->yMin),
              QStringLiteral("0000000000001 15/03/2017 20-12345678-9 62.00 PROVEEDOR 1"));
    const PdfWord *cut = findWord(words, 1, QStringLiteral("DISTRIBUIDORA"));
    ASSERT_NE(cut, nullptr);
    EXPECT_TRUE(lineAt(words, 1, cut->yMin).endsWith(QStringLiteral("DE...")))
        << lineAt(words, 1, cut->yMin).toStdString();
    const PdfWord *summary = findWord(words, 1, QStringLiteral("SHA-256"));
    ASSERT_NE(summary, nullptr);
    EXPECT_EQ(lineAt(words, 1, summary->yMin),
              QStringLiteral("Archivo 17300415.txt: 3 retenciones, total 186.00, SHA-256 ") +
                  QString::fromLatin1(d.sha256.left(16)));
    const PdfWord *total = findWord(words, 1, QStringLiteral("====>"));
    ASSERT_NE(total, nullptr);
    EXPECT_EQ(lineAt(words, 1, total->yMin), QStringLiteral("Total Retenido ====> 186.00"));
}

// Nothing is made or opened from a file that is not the one handed in, nor looked for on this
// machine when it was written on another, nor from a row whose paths the program never writes
// (a colleague with the grants may set them to anything); the clerk reads why.
TEST_F(PastDeclarations, NoListingFromAFileThatIsNotTheOneRecorded)
{
    const struct {
        const char *name;
        std::function<void(FiledDeclaration &)> change;
        const char *says;
        const char *untouched; // a name in the case's folder that must not be made
    } cases[] = {
        {"changed, its listing there",
         [](FiledDeclaration &d) {
             writeAll(d.listing, listingNaming(d.sha256));
             QFile file(d.file);
             ASSERT_TRUE(file.open(QIODevice::Append));
             file.write("X\r\r\n");
         },
         "fue modificado", ""},
        {"deleted", [](FiledDeclaration &d) { QFile::remove(d.file); }, "No se encontró", ""},
        {"on another machine", [](FiledDeclaration &d) { d.host = QStringLiteral("OFICINA-2"); },
         "en el equipo OFICINA-2", ""},
        {"a listing path set to a file of the clerk's",
         [](FiledDeclaration &d) { d.listing = QFileInfo(d.file).path() + QStringLiteral("/.bash_login"); },
         "no escribe", ".bash_login"},
        {"a listing path that climbs out",
         [](FiledDeclaration &d) {
             d.listing = QFileInfo(d.file).path() + QStringLiteral("/../17300415.pdf");
         },
         "no escribe", "../17300415.pdf"},
        {"a file path of another name",
         [](FiledDeclaration &d) {
             const QString other = QFileInfo(d.file).path() + QStringLiteral("/notas.txt");
             QFile::rename(d.file, other);
             d.file = other;
         },
         "no escribe", ""},
        {"a kept file whose listing is named elsewhere",
         [](FiledDeclaration &d) {
             const QString kept = QFileInfo(d.file).path() + QStringLiteral("/anteriores");
             QDir().mkdir(kept);
             const QString file = kept + QStringLiteral("/17300415 2026-12-09 10.31.05.txt");
             QFile::rename(d.file, file);
             d.file = file;
             d.listing = kept + QStringLiteral("/otro.pdf");
         },
         "no escribe", "anteriores/otro.pdf"},
        {"a folder in the listing's place",
         [](FiledDeclaration &d) {
             d.listing = QFileInfo(d.file).path() + QStringLiteral("/17300415.pdf");
             QDir().mkpath(d.listing + QStringLiteral("/inside"));
         },
         "no se pudo hacer de nuevo", ""},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FiledDeclaration d = declared(2, QStringLiteral("case%1/17300415.txt").arg(++n));
        QFile::remove(d.listing);
        c.change(d);
        const QByteArray listingBefore = QFileInfo(d.listing).isFile() ? QByteArray("there") : QByteArray();
        try {
            listingToOpen(d, report, programFolder());
            ADD_FAILURE() << "no error";
        } catch (const FileError &e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.says))) << e.message().toStdString();
        }
        if (qstrcmp(c.says, "no se pudo hacer de nuevo") != 0) {
            EXPECT_THROW(folderToOpen(d, programFolder()), FileError);
        }
        if (listingBefore.isEmpty()) {
            EXPECT_FALSE(QFileInfo(d.listing).isFile());
        }
        if (*c.untouched) {
            EXPECT_FALSE(
                QFileInfo::exists(QFileInfo(d.file).path() + QLatin1Char('/') + QLatin1String(c.untouched)));
        }
    }

    FiledDeclaration d = declared(1);
    EXPECT_EQ(folderToOpen(d, programFolder()), dir.path());
    // The file replaced after it was checked: the listing is made from no bytes but the recorded.
    writeAll(d.file, "FORJADO SA 999.00\r\r\n");
    EXPECT_THROW(listingFromFile(report, d), FileError);
    d.host = QStringLiteral("OFICINA-2");
    EXPECT_THROW(folderToOpen(d, programFolder()), FileError);
}

// The program's own places for a row: the listing beside the declaration or in the program's
// folder as recorded, the place the program chooses now for a listing recorded elsewhere, and a
// kept declaration's listing beside it under its own name.
TEST_F(PastDeclarations, ARowsPathsOnlyChooseAmongTheProgramsPlaces)
{
    const struct {
        const char *name;
        const char *file, *listing; // under the test's folder
        bool valid;
        const char *place; // the listing's place, under the test's folder
    } cases[] = {
        {"in the program's folder", "w/17300415.txt", "listados/17300415.pdf", true, "listados/17300415.pdf"},
        {"beside the declaration", "w/17300415.txt", "w/17300415.pdf", true, "w/17300415.pdf"},
        {"in a folder the program no longer uses", "w/17300415.txt", "old/17300415.pdf", true,
         "listados/17300415.pdf"},
        {"kept", "w/anteriores/17300415 2026-12-09 10.31.05_2.txt",
         "w/anteriores/17300415 2026-12-09 10.31.05_2.pdf", true,
         "w/anteriores/17300415 2026-12-09 10.31.05_2.pdf"},
        {"kept outside anteriores", "w/otra/17300415 2026-12-09 10.31.05.txt",
         "w/otra/17300415 2026-12-09 10.31.05.pdf", false, ""},
        {"another base name's listing", "w/17300415.txt", "w/17300416.pdf", false, ""},
        {"a listing under another name", "w/17300415.txt", "w/17300415.pdf.sh", false, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FiledDeclaration d;
        d.baseName = QStringLiteral("17300415");
        d.file = dir.filePath(QString::fromUtf8(c.file));
        d.listing = dir.filePath(QString::fromUtf8(c.listing));
        const FiledPlaces places = filedPlaces(d, programFolder());
        EXPECT_EQ(places.valid, c.valid);
        if (c.valid) {
            EXPECT_EQ(places.listingPlace, dir.filePath(QString::fromUtf8(c.place)));
        }
    }
    FiledDeclaration d;
    d.baseName = QStringLiteral("../x");
    d.file = dir.filePath(QStringLiteral("../x.txt"));
    d.listing = dir.filePath(QStringLiteral("../x.pdf"));
    EXPECT_FALSE(filedPlaces(d, programFolder()).valid);
}

// A generation killed between its commit and its rename, and what killed writers leave: put in
// place or cleared away at the next start and before the next generation, on a real database
// and real files. The kill is the generation's fault point; what a kill leaves that an exception
// does not (the process's locks) goes with the exception's unwinding too.
#include "declaration/interrupted_declarations.h"
#include "tests/declaration/generation_fixture.h"

#include "common/codepage.h"
#include "common/safe_file.h"
#include "common/text_file.h"
#include "declaration/declaration_generation.h"
#include "declaration/report_layout.h"
#include "declaration/reten_store.h"
#include "tests/support/qt_print.h"
#include "tests/support/scripted_dialogs.h"

#include <QCryptographicHash>
#include <QImage>

#include <functional>

namespace {
const DeclarationHeader Agent{QStringLiteral("415"), QStringLiteral("03"), QStringLiteral("2017"),
                              QStringLiteral("30-70000001-2"), QStringLiteral("AGENTE DE PRUEBA SRL")};
const QString FileName = QStringLiteral("17300415.txt");
struct Killed {};

class Interrupted : public GenerationRun {
public:
    void TearDown() override
    {
        DeclarationGeneration::faultAfterCommit = {};
        GenerationRun::TearDown();
    }

    // The declaration with `rows` rows whose names carry `tag`; killed after its commit when asked.
    QByteArray generate(const char *tag, int rows, bool kill = false)
    {
        grid.reset();
        for (int i = 1; i <= rows; ++i)
            grid.append(cells(QByteArray::number(i).constData(), "15/03/2017", "12400.00", "62",
                              QStringLiteral("PROVEEDOR %1 %2").arg(QLatin1String(tag)).arg(i),
                              "20-12345678-9"));
        QByteArray bytes;
        for (int row = 1; row <= rows; ++row)
            bytes += ToSystemCodePage(declarationRecord(grid.withholding(row), Agent)) + "\r\r\n";
        if (kill)
            DeclarationGeneration::faultAfterCommit = [] { throw Killed{}; };
        dialogs.confirmations.push_back(true);
        DeclarationGeneration generation(*store, report, F, dialogs);
        if (kill)
            EXPECT_THROW(generation.run(Agent, grid, programFolder()), Killed);
        else
            generation.run(Agent, grid, programFolder());
        DeclarationGeneration::faultAfterCommit = {};
        return bytes;
    }
    void start() { recoverAtStart(*store, dialogs, programFolder()); }

    QStringList temporaries() const
    {
        QStringList names;
        for (const QString &folder :
             {work_.path(), program_.path(), work_.filePath(QStringLiteral("anteriores"))})
            for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden))
                if (name.endsWith(QLatin1String(".tmp")) || name.endsWith(QLatin1String(".part")))
                    names << name;
        return names;
    }
    QStringList kept() const
    {
        return QDir(work_.filePath(QStringLiteral("anteriores"))).entryList(QDir::Files, QDir::Name);
    }
    // The marks of every recorded version, oldest first.
    QStringList marks()
    {
        Connection connection(path_, User, Password);
        QStringList texts;
        for (const FiledDeclaration &d : readFiledDeclarations(connection))
            texts.prepend(fileMarkText(checkFiledDeclaration(d), d));
        return texts;
    }
    QString listing() const { return programFolder() + QStringLiteral("17300415.pdf"); }
};
} // namespace

// Killed between the commit and the rename: the recorded version is only in the temporary
// file. The next start puts it in place, the file it replaces kept first with its listing, and
// tells the clerk once; every recorded version is then the file it names.
TEST_F(Interrupted, AVersionRecordedButNotWrittenIsPutInPlaceAtTheNextStart)
{
    const struct {
        const char *name;
        bool earlier; // a declaration of the name was handed in before
    } cases[] = {{"a correction", true}, {"a first declaration", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray a;
        if (c.earlier)
            a = generate("A", 3);
        const QByteArray b = generate("B", 4, true);
        EXPECT_EQ(readAll(workFile(FileName)), c.earlier ? a : QByteArray("<missing>"));
        EXPECT_EQ(marks().last(), c.earlier ? "modificado" : "no encontrado");
        ASSERT_EQ(temporaries().size(), 1);

        dialogs.clear();
        start();
        EXPECT_EQ(readAll(workFile(FileName)), b);
        EXPECT_EQ(temporaries(), QStringList());
        ASSERT_EQ(dialogs.informations().size(), 1);
        EXPECT_TRUE(dialogs.informations()[0].contains(FileName)) << dialogs.informations()[0].toStdString();
        EXPECT_EQ(marks(),
                  c.earlier ? QStringList({"sin cambios", "sin cambios"}) : QStringList{"sin cambios"});
        if (c.earlier) {
            ASSERT_EQ(kept().size(), 2);
            EXPECT_EQ(readAll(work_.filePath(QStringLiteral("anteriores/") + kept()[1])), a);
            EXPECT_TRUE(kept()[0].endsWith(QLatin1String(".pdf")));
            // The listing left in place was A's: it is not taken for B's.
            EXPECT_FALSE(QFileInfo::exists(listing()));
        } else {
            EXPECT_FALSE(QFileInfo::exists(work_.filePath(QStringLiteral("anteriores"))));
        }

        // Once told, never again.
        dialogs.clear();
        start();
        EXPECT_EQ(dialogs.informations(), QStringList());
        EXPECT_EQ(readAll(workFile(FileName)), b);

        // A fresh folder and database for the next case.
        for (const QString &folder : {work_.path(), program_.path()})
            for (const QFileInfo &entry :
                 QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
                entry.isDir() ? QDir(entry.filePath()).removeRecursively() : QFile::remove(entry.filePath());
        store.reset();
        transaction_.reset();
        connection_.reset();
        QFile::remove(path_);
        ASSERT_TRUE(QFile::copy(templateDatabase(), path_));
        store = std::make_unique<RetenStore>(path_);
    }
}

// The next CONFIRMA, in a window that never started again, puts the killed version in place
// first and keeps it like any earlier declaration: the version's row names its own kept copy,
// never the earlier version's.
TEST_F(Interrupted, TheNextGenerationPutsTheKilledVersionInPlaceFirst)
{
    const QByteArray a = generate("A", 3);
    const QByteArray b = generate("B", 4, true);
    dialogs.clear();
    const QByteArray c = generate("C", 5);
    ASSERT_EQ(dialogs.informations().size(), 1);
    EXPECT_TRUE(dialogs.informations()[0].contains(FileName));
    EXPECT_EQ(readAll(workFile(FileName)), c);
    EXPECT_EQ(marks(), (QStringList{"sin cambios", "sin cambios", "sin cambios"}));
    QList<QByteArray> keptBytes;
    for (const QString &name : kept())
        if (name.endsWith(QLatin1String(".txt")))
            keptBytes << readAll(work_.filePath(QStringLiteral("anteriores/") + name));
    EXPECT_EQ(keptBytes.size(), 2);
    EXPECT_TRUE(keptBytes.contains(a) && keptBytes.contains(b));
    EXPECT_EQ(temporaries(), QStringList());
}

// What is left of writers is cleared away at the start only when it is this user's own plain
// file that nobody is writing and whose bytes no row records.
TEST_F(Interrupted, OnlyUnrecordedLeftoversNobodyWritesAreClearedAway)
{
    const QByteArray a = generate("A", 3);
    const QByteArray c1 = generate("C", 2);
    const QByteArray b = generate("B", 4);
    QDir(work_.path()).mkdir(QStringLiteral("constancias"));
    writeAll(workFile(QStringLiteral("victim")), "VICTIM");
    const struct {
        const char *name;
        QString path;
        std::function<void(const QString &)> plant;
        bool stays;
    } cases[] = {
        {"a declaration killed before its commit",
         workFile(FileName + QStringLiteral(".aaaaaaaaaaaaaaaa.tmp")),
         [](const QString &p) { writeAll(p, "HALF A DECLARATION"); }, false},
        {"a second copy of a kept version", workFile(FileName + QStringLiteral(".bbbbbbbbbbbbbbbb.tmp")),
         [&](const QString &p) { writeAll(p, a); }, false},
        {"the only copy of a version a row records",
         workFile(FileName + QStringLiteral(".iiiiiiiiiiiiiiii.tmp")),
         [&](const QString &p) {
             writeAll(p, c1);
             for (const QString &name : kept())
                 if (readAll(work_.filePath(QStringLiteral("anteriores/") + name)) == c1)
                     QFile::remove(work_.filePath(QStringLiteral("anteriores/") + name));
         },
         true},
        {"a second copy of the file in place", workFile(FileName + QStringLiteral(".cccccccccccccccc.tmp")),
         [&](const QString &p) { writeAll(p, b); }, false},
        {"a link", workFile(FileName + QStringLiteral(".dddddddddddddddd.tmp")),
         [&](const QString &p) { QFile::link(workFile(QStringLiteral("victim")), p); }, true},
        {"a listing's part", programFolder() + QStringLiteral("17300415.pdf.eeeeeeeeeeeeeeee.part"),
         [](const QString &p) { writeAll(p, "%PDF HALF"); }, false},
        {"a certificate's part", workFile(QStringLiteral("constancias/c.pdf.ffffffffffffffff.part")),
         [](const QString &p) { writeAll(p, "%PDF HALF"); }, false},
        {"a kept copy's part", workFile(QStringLiteral("anteriores/k.txt.gggggggggggggggg.part")),
         [](const QString &p) { writeAll(p, "HALF"); }, false},
    };
    for (const auto &c : cases)
        c.plant(c.path);
    // One being written now, in another window.
    const QString writing = workFile(FileName + QStringLiteral(".hhhhhhhhhhhhhhhh.tmp"));
    writeAll(writing, "BEING WRITTEN");
    const TemporaryFileClaim claim(writing);

    dialogs.clear();
    start();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(QFileInfo(c.path).exists() || QFileInfo(c.path).isSymLink(), c.stays);
    }
    EXPECT_TRUE(QFileInfo::exists(writing));
    EXPECT_EQ(readAll(workFile(FileName)), b);
    EXPECT_EQ(readAll(workFile(QStringLiteral("victim"))), "VICTIM");
    EXPECT_EQ(dialogs.informations(), QStringList());
}

// The file cannot take its name after the commit (a folder stands there) and the database will
// not take the record back: the recorded bytes are not deleted, and once the folder is gone the
// next start puts them in place.
TEST_F(Interrupted, RecordedBytesThatCouldNotTakeTheirNameAreNeverDeleted)
{
    ASSERT_TRUE(QDir(work_.path()).mkpath(FileName + QStringLiteral("/inside")));
    transaction_->executeImmediate(QStringLiteral("create exception NO_DELETE 'kept'"));
    transaction_->commit();
    transaction_->executeImmediate(QStringLiteral(
        "create trigger KEEP_RECORDS for declaracion before delete as begin exception NO_DELETE; end"));
    transaction_->commit();
    QByteArray b;
    EXPECT_THROW(b = generate("B", 4), IoError);
    ASSERT_EQ(temporaries().size(), 1);

    ASSERT_TRUE(QDir(workFile(FileName)).removeRecursively());
    dialogs.clear();
    start();
    EXPECT_EQ(readAll(workFile(FileName)).size(), 4 * 198);
    EXPECT_EQ(marks(), QStringList{"sin cambios"});
    EXPECT_EQ(temporaries(), QStringList());
    EXPECT_EQ(dialogs.informations().size(), 1);
}

#include "declaration/declaration_generation.h"
#include "tests/declaration/generation_fixture.h"

#include "common/codepage.h"
#include "common/errors.h"
#include "common/text_file.h"
#include "declaration/filed_declaration.h"
#include "declaration/kept_copies.h"
#include "declaration/report_layout.h"
#include "declaration/reten_store.h"
#include "tests/report/pdf_probe.h"
#include "tests/support/qt_print.h"
#include "tests/support/scripted_dialogs.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QImage>

#include <functional>

namespace {
const DeclarationHeader Agent{QStringLiteral("415"), QStringLiteral("03"), QStringLiteral("2017"),
                              QStringLiteral("30-70000001-2"), QStringLiteral("AGENTE DE PRUEBA SRL")};
const QString BaseName = QStringLiteral("173"
                                        "00415");

// Records the progress figures and can cancel at one of them.
class RecordingMonitor : public ExportMonitor {
public:
    bool exportProgress(int percent) override
    {
        figures.push_back(percent);
        return percent < cancelAt;
    }
    void writingProgress(int percent) override
    {
        writing.push_back(percent);
        if (duringWriting)
            duringWriting(percent);
    }
    void exportStarted() override { ++started; }
    void exportFinished() override { ++finished; }
    void clearingStarted() override { whenClearing(); }
    void clearingFinished() override { whenCleared(); }
    std::function<void()> whenClearing = [] {};
    std::function<void()> whenCleared = [] {};
    std::function<void(int)> duringWriting;
    std::vector<int> writing;
    std::vector<int> figures;
    int cancelAt = 1000;
    int started = 0, finished = 0;
};

class Generation : public GenerationRun {
public:
    std::optional<GenerationResult> generate(const DeclarationHeader &header = Agent, bool answer = true,
                                             ExportMonitor *monitor = nullptr)
    {
        dialogs.confirmations.push_back(answer);
        DeclarationGeneration generation(*store, report, F, dialogs);
        return generation.run(header, grid, programFolder(), monitor);
    }

    void appendRows(int n)
    {
        for (int i = 1; i <= n; ++i)
            grid.append(cells(QByteArray::number(i).constData(), "15/03/2017", "12400.00", "62",
                              QStringLiteral("PROVEEDOR %1").arg(i), "20-12345678-9"));
    }

    QByteArray expectedFile(const QList<int> &rows) const
    {
        QByteArray bytes;
        for (int row : rows) {
            bytes += ToSystemCodePage(declarationRecord(grid.withholding(row), Agent)) + "\r\r\n";
        }
        return bytes;
    }

    // Another program's attachment, in the middle of a generation of its own.
    void lockFromAnotherProgram()
    {
        otherConnection = std::make_unique<Connection>(path_, User, Password);
        otherTransaction = std::make_unique<Transaction>(*otherConnection);
        otherTransaction->executeImmediate(QStringLiteral("update reten_lock set id = id"));
    }
    // Every commit that would leave rows in RETEN is refused, as by a server that drops the link
    // or a disk that fills at the commit; the clearings still commit.
    void refuseCommits(bool refuse)
    {
        try {
            if (refuse) {
                transaction_->executeImmediate(QStringLiteral("create exception NO_COMMIT 'commit refused'"));
                transaction_->commit();
                transaction_->executeImmediate(QStringLiteral(
                    "create trigger REFUSE_COMMIT on transaction commit as begin if (exists(select "
                    "1 from reten)) then exception NO_COMMIT; end"));
            } else {
                transaction_->executeImmediate(QStringLiteral("drop trigger REFUSE_COMMIT"));
            }
            transaction_->commit();
        } catch (const DatabaseError &) {
            ASSERT_FALSE(refuse);
            transaction_->rollback(); // there was none
        }
    }
    // DECLARACION as another attachment sees it, newest first.
    QList<FiledDeclaration> recorded()
    {
        Connection connection(path_, User, Password);
        return readFiledDeclarations(connection);
    }
    // Sets a file's time of writing, as if it had been written then.
    static void writtenAt(const QString &path, const QDateTime &when)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
    }
    static QByteArray sha256Of(const QByteArray &bytes)
    {
        return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
    }
    QString keptFile(const QString &name) const
    {
        return work_.filePath(QStringLiteral("anteriores/") + name);
    }

    std::unique_ptr<Connection> otherConnection;
    std::unique_ptr<Transaction> otherTransaction;
};
} // namespace

// Gaps are skipped, rows keep grid order in the file and in RETEN, texts are stored trimmed and
// the period as typed; the listing carries the period line, the rows and the grid's total.
TEST_F(Generation, WritesFileRetenAndListingInGridOrder)
{
    grid.append(
        cells(" 123 ", "05/03/2017", "12345.67", "62", QStringLiteral("FERRETERÍA ÑANDÚ"), "30-12345678-9"));
    grid.append(cells("456", "06/03/2017", "100.00", "1", QStringLiteral("BORRADA"), "20-11111111-1"));
    // The longest name the grid takes also fits RETEN.
    const QString longest = QStringLiteral("OTRA S.A. ").leftJustified(60, QLatin1Char('X'));
    grid.append(cells("789", "31/03/2017", "246913.58", "1234.5", longest, "27-87654321-0"));
    ASSERT_TRUE(grid.deleteRow(2));

    const auto result = generate();
    ASSERT_TRUE(result);
    EXPECT_EQ(dialogs.questions(),
              QStringList{QStringLiteral("Confirma Generar Archivo con Caracter de DDJJ ?")});
    EXPECT_EQ(result->baseName, BaseName);
    EXPECT_EQ(result->statusText, QStringLiteral("SU ARCHIVOS(TXT y PDF)FUERON GENERADOS EN  ") +
                                      programFolder() + QStringLiteral(" CON EL NOMBRE :") + BaseName);
    EXPECT_EQ(readAll(workFile(BaseName + ".txt")), expectedFile({1, 3}));
    EXPECT_EQ(workFiles(), QStringList{BaseName + ".txt"});
    EXPECT_FALSE(F.isOpen());

    EXPECT_EQ(committedRows(),
              (QStringList{QStringLiteral("123|03/2017|62|FERRETERÍA ÑANDÚ|30-12345678-9|05/03/2017"),
                           QStringLiteral("789|03/2017|1234.5|") + longest +
                               QStringLiteral("|27-87654321-0|31/03/2017")}));

    const QString pdf = programFolder() + BaseName + ".pdf";
    EXPECT_EQ(runTool("qpdf", {"--check", pdf}).exitCode, 0);
    EXPECT_EQ(pageCount(pdf), 1);
    const auto words = wordsOf(pdf);
    const PdfWord *period = findWord(words, 1, QStringLiteral("03/2017"));
    ASSERT_NE(period, nullptr);
    EXPECT_EQ(lineAt(words, 1, period->yMin),
              QStringLiteral("Periodo : 03/2017 Legajo : 415 AGENTE DE PRUEBA SRL"));
    const PdfWord *first = findWord(words, 1, QStringLiteral("123"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(lineAt(words, 1, first->yMin),
              QStringLiteral("123 05/03/2017 30-12345678-9 62.00 FERRETERIA NANDU"));
    const PdfWord *second = findWord(words, 1, QStringLiteral("789"));
    ASSERT_NE(second, nullptr);
    EXPECT_NEAR(second->yMin - first->yMin, 5.0 * 72 / 25.4, 0.5);
    EXPECT_EQ(countWords(words, 1, QStringLiteral("456")), 0);
    const PdfWord *label = findWord(words, 1, QStringLiteral("====>"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(lineAt(words, 1, label->yMin), QStringLiteral("Total Retenido ====> 1296.50"));
}

// A second generation of the same period replaces both files and RETEN's rows; an empty grid
// still gives an empty declaration and a one-page listing with the total 0.00.
TEST_F(Generation, SecondRunReplacesAndEmptyGridGivesEmptyDeclaration)
{
    appendRows(3);
    ASSERT_TRUE(generate());
    grid.reset();
    ASSERT_TRUE(generate());
    EXPECT_EQ(readAll(workFile(BaseName + ".txt")), QByteArray());
    EXPECT_EQ(committedRows(), QStringList());
    const QString pdf = programFolder() + BaseName + ".pdf";
    EXPECT_EQ(pageCount(pdf), 1);
    const auto words = wordsOf(pdf);
    EXPECT_EQ(countWords(words, 1, QStringLiteral("PROVEEDOR")), 0);
    EXPECT_EQ(countWords(words, 1, QStringLiteral("0.00")), 1);
}

// The progress goes up by fives to 100 while the listing is exported, between one start and
// one finish (a small declaration's rows go in one step); a cancel stops the listing early but
// the declaration is complete and the generation ends normally.
TEST_F(Generation, ProgressAndCancel)
{
    appendRows(85);
    RecordingMonitor monitor;
    auto result = generate(Agent, true, &monitor);
    ASSERT_TRUE(result);
    EXPECT_EQ(monitor.started, 1);
    EXPECT_EQ(monitor.finished, 1);
    EXPECT_EQ(monitor.writing, std::vector<int>{100});
    std::vector<int> fives;
    for (int p = 5; p <= 100; p += 5)
        fives.push_back(p);
    EXPECT_EQ(monitor.figures, fives);
    EXPECT_EQ(pageCount(programFolder() + BaseName + ".pdf"), 3);

    RecordingMonitor cancelling;
    cancelling.cancelAt = 50;
    result = generate(Agent, true, &cancelling);
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->report.cancelled);
    EXPECT_EQ(cancelling.finished, 1);
    EXPECT_EQ(pageCount(programFolder() + BaseName + ".pdf"), 2);
    EXPECT_EQ(committedRows().size(), 85);
    EXPECT_EQ(readAll(workFile(BaseName + ".txt")).count('\n'), 85);
}

// Emptying RETEN of a large earlier declaration takes a while before the question: the clerk is
// told to wait from before the rows go until they are gone, and nothing of it outlives the
// question, whatever the answer.
TEST_F(Generation, TheClerkIsToldToWaitWhileRetenIsEmptied)
{
    appendRows(85);
    ASSERT_TRUE(generate());
    RecordingMonitor monitor;
    QList<qsizetype> rows;
    monitor.whenClearing = [&] { rows << committedRows().size() << dialogs.questions().size(); };
    monitor.whenCleared = [&] { rows << committedRows().size() << dialogs.questions().size(); };
    EXPECT_FALSE(generate(Agent, false, &monitor));
    EXPECT_EQ(rows, (QList<qsizetype>{85, 1, 0, 1}));
    EXPECT_EQ(dialogs.questions().size(), 2);
    EXPECT_EQ(monitor.started, 0);
}

// A large declaration moves the window while its rows are written, not only after: at each
// figure the temporary file is there, nothing is committed yet and the generation's own
// transaction holds more rows than at the one before.
TEST_F(Generation, ProgressMovesWhileTheRowsAreWritten)
{
    const int rows = 5 * DeclarationGeneration::WritingStepRows;
    appendRows(rows);
    RecordingMonitor monitor;
    std::vector<int> insertedRows;
    monitor.duringWriting = [&](int) {
        EXPECT_EQ(QDir(work_.path()).entryList({BaseName + ".txt.*.tmp"}).size(), 1);
        EXPECT_TRUE(committedRows().isEmpty());
        Query count(store->tran);
        count.setSql(QStringLiteral("select count(*) from reten"));
        count.open();
        insertedRows.push_back(count.next() ? int(count.number(0)) : -1);
    };
    ASSERT_TRUE(generate(Agent, true, &monitor));
    EXPECT_EQ(monitor.writing, (std::vector<int>{15, 35, 55, 75, 95, 100}));
    EXPECT_EQ(insertedRows, (std::vector<int>{199, 399, 599, 799, 999, rows}));
    EXPECT_EQ(committedRows().size(), rows);
}

// Every way a generation can end early: what the clerk is asked, what is raised, and that an
// earlier declaration of the name survives whole with no partial file beside it.
TEST_F(Generation, FailuresLeaveTheEarlierDeclarationAndNoPartialFile)
{
    struct Case {
        const char *name;
        std::function<void(Generation &)> prepare;
        DeclarationHeader header;
        bool answer;
        const char *error; // nullptr: ends without an error
        bool asked;
    };
    const QString longName = QString(61, QLatin1Char('R'));
    const Case cases[] = {
        {"answer No", [](Generation &) {}, Agent, false, nullptr, true},
        {"empty header", [](Generation &) {}, DeclarationHeader{}, true, "ConversionError", true},
        {"amount of row 2 not a number",
         [](Generation &t) {
             t.grid.append(cells("2", "15/03/2017", "300.00", "1.5", QStringLiteral("X"), "20-12345678-9"));
             t.grid.setCell(2, 4, QStringLiteral("1,5"));
         },
         Agent, true, "ConversionError", true},
        {"receipt number too long for RETEN",
         [](Generation &t) {
             t.grid.append(cells("123456789012345678901", "15/03/2017", "1.00", "0", QStringLiteral("X"),
                                 "20-12345678-9"));
         },
         Agent, true, "DatabaseError", true},
        // Records and inserts run side by side: the first row that fails says what, its insert
        // before the record of the row after it.
        {"receipt of row 2 too long for RETEN, amount of row 3 not a number",
         [](Generation &t) {
             t.grid.append(cells("123456789012345678901", "15/03/2017", "1.00", "0", QStringLiteral("X"),
                                 "20-12345678-9"));
             t.grid.append(cells("3", "15/03/2017", "300.00", "1.5", QStringLiteral("X"), "20-12345678-9"));
             t.grid.setCell(3, 4, QStringLiteral("1,5"));
         },
         Agent, true, "DatabaseError", true},
        {"company name too long for RETEN",
         [longName](Generation &t) {
             t.grid.append(cells("9", "15/03/2017", "1.00", "0", longName, "20-12345678-9"));
         },
         Agent, true, "DatabaseError", true},
        {"commit refused by the database", [](Generation &t) { t.refuseCommits(true); }, Agent, true,
         "DatabaseError", true},
        {"another program writing RETEN", [](Generation &t) { t.lockFromAnotherProgram(); }, Agent, true,
         "DatabaseError", false},
        {"another program starts writing while the clerk is asked",
         [](Generation &t) {
             t.dialogs.whileOpen = [&t](const ScriptedDialogs::Call &) { t.lockFromAnotherProgram(); };
         },
         Agent, true, "DatabaseError", true},
        {"missing database",
         [](Generation &t) {
             t.store = std::make_unique<RetenStore>(t.work_.filePath(QStringLiteral("NONE.FDB")));
         },
         Agent, true, "DatabaseError", false},
        {"a link planted where the earlier declaration is kept",
         [](Generation &t) {
             ASSERT_TRUE(QFile::link(t.program_.path(), t.work_.filePath(QStringLiteral("anteriores"))));
         },
         Agent, true, "FileError", true},
        {"a file where the earlier declaration is kept",
         [](Generation &t) { writeAll(t.work_.filePath(QStringLiteral("anteriores")), "NOT A FOLDER"); },
         Agent, true, "FileError", true},
    };
    const QByteArray earlier = "EARLIER DECLARATION\r\r\n";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        store = std::make_unique<RetenStore>(path_);
        grid.reset();
        dialogs.calls.clear();
        dialogs.confirmations.clear();
        appendRows(1);
        putCommittedRow();
        writeAll(workFile(BaseName + ".txt"), earlier);
        c.prepare(*this);

        const QStringList before = workFiles();
        const char *raised = nullptr;
        try {
            dialogs.confirmations.push_back(c.answer);
            DeclarationGeneration generation(*store, report, F, dialogs);
            EXPECT_FALSE(generation.run(c.header, grid, programFolder()));
        } catch (const ConversionError &) {
            raised = "ConversionError";
        } catch (const DatabaseError &) {
            raised = "DatabaseError";
        } catch (const IoError &e) {
            raised = "IoError";
            EXPECT_EQ(e.code(), 5);
        } catch (const FileError &e) {
            raised = "FileError";
            EXPECT_TRUE(e.message().contains(QStringLiteral("la anterior sigue como estaba")))
                << e.message().toStdString();
        }
        CloseTextFileQuietly(F);
        EXPECT_STREQ(raised, c.error);
        EXPECT_EQ(dialogs.questions().size(), c.asked ? 1 : 0);
        EXPECT_EQ(readAll(workFile(BaseName + ".txt")), earlier);
        EXPECT_EQ(workFiles(), before);
        EXPECT_FALSE(QFile::exists(programFolder() + BaseName + ".pdf"));
        // RETEN was emptied and committed before the question, and nothing since is committed.
        if (c.asked) {
            EXPECT_EQ(committedRows(), QStringList());
        }
        // Nothing recorded, and nothing kept of the declaration that stays in its place.
        if (c.asked) {
            EXPECT_TRUE(recorded().isEmpty());
        }
        EXPECT_EQ(QDir(program_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        refuseCommits(false);
        QFile::remove(work_.filePath(QStringLiteral("anteriores")));
        dialogs.confirmations.clear();
        dialogs.whileOpen = nullptr;
        otherTransaction.reset();
        otherConnection.reset();
    }
}

// A folder standing under the declaration's own name: every record is written and every row
// inserted, then the rename fails; nothing is left behind and nothing committed.
// The earlier declaration's record and kept listing are taken back with the rows: its record
// names its own files again and nothing of the failed one is recorded or kept.
TEST_F(Generation, FolderUnderTheDeclarationNameFailsAtTheEnd)
{
    appendRows(2);
    ASSERT_TRUE(generate());
    const QList<FiledDeclaration> before = recorded();
    ASSERT_EQ(before.size(), 1);
    const QByteArray listing = readAll(programFolder() + BaseName + ".pdf");
    ASSERT_TRUE(QFile::remove(workFile(BaseName + ".txt")));
    putCommittedRow();
    ASSERT_TRUE(QDir(work_.path()).mkdir(BaseName + ".txt"));
    try {
        generate();
        FAIL() << "no error";
    } catch (const IoError &e) {
        EXPECT_EQ(e.code(), 5);
    }
    EXPECT_EQ(workFiles(), QStringList{BaseName + ".txt"});
    EXPECT_TRUE(QFileInfo(workFile(BaseName + ".txt")).isDir());
    EXPECT_EQ(committedRows(), QStringList());
    const QList<FiledDeclaration> after = recorded();
    ASSERT_EQ(after.size(), 1);
    EXPECT_EQ(after[0].file, before[0].file);
    EXPECT_EQ(after[0].listing, before[0].listing);
    EXPECT_EQ(readAll(programFolder() + BaseName + ".pdf"), listing);
}

// Correcting a declaration keeps the one it replaces, and every declaration is recorded with
// the fingerprint of its file: version by version, newest first, each naming where its files
// are now.
TEST_F(Generation, EveryDeclarationIsKeptAndRecorded)
{
    appendRows(3);
    const QDateTime start = QDateTime::currentDateTime().addSecs(-1);
    const auto first = generate();
    ASSERT_TRUE(first && first->recorded);
    EXPECT_FALSE(first->kept.keptAnything());
    EXPECT_FALSE(QFileInfo::exists(work_.filePath(QStringLiteral("anteriores"))));
    const QByteArray firstFile = readAll(workFile(BaseName + ".txt"));
    const QByteArray firstListing = readAll(programFolder() + BaseName + ".pdf");
    const QDateTime firstWritten(QDate(2026, 12, 9), QTime(10, 31, 5));
    writtenAt(workFile(BaseName + ".txt"), firstWritten);

    grid.reset();
    appendRows(2);
    const auto second = generate();
    ASSERT_TRUE(second && second->recorded);
    const QString stem = BaseName + QStringLiteral(" 2026-12-09 10.31.05");
    EXPECT_EQ(QDir(work_.filePath(QStringLiteral("anteriores"))).entryList(QDir::Files),
              (QStringList{stem + ".pdf", stem + ".txt"}));
    EXPECT_EQ(readAll(keptFile(stem + ".txt")), firstFile);
    EXPECT_EQ(readAll(keptFile(stem + ".pdf")), firstListing);
    EXPECT_EQ(readAll(workFile(BaseName + ".txt")), expectedFile({1, 2}));

    const QList<FiledDeclaration> rows = recorded();
    ASSERT_EQ(rows.size(), 2);
    const FiledDeclaration &now = rows[0];
    const FiledDeclaration &then = rows[1];
    EXPECT_EQ(now.version, 2);
    EXPECT_EQ(then.version, 1);
    EXPECT_EQ(now.id, second->filed.id);
    EXPECT_EQ(now.legajo, QStringLiteral("415"));
    EXPECT_EQ(now.year, 2017);
    EXPECT_EQ(now.month, 3);
    EXPECT_EQ(now.baseName, BaseName);
    EXPECT_EQ(now.rows, 2);
    EXPECT_EQ(then.rows, 3);
    EXPECT_EQ(now.total, 124.0);
    EXPECT_EQ(then.total, 186.0);
    EXPECT_EQ(now.agentName, Agent.agentName);
    EXPECT_EQ(now.host, thisMachine());
    EXPECT_GE(now.confirmedAt, start);
    EXPECT_LE(now.confirmedAt, QDateTime::currentDateTime());
    EXPECT_LE(then.confirmedAt, now.confirmedAt);
    EXPECT_EQ(now.sha256, sha256Of(readAll(workFile(BaseName + ".txt"))));
    EXPECT_EQ(now.bytes, readAll(workFile(BaseName + ".txt")).size());
    EXPECT_EQ(then.sha256, sha256Of(firstFile));
    EXPECT_EQ(now.file, QDir(work_.path()).absoluteFilePath(BaseName + ".txt"));
    EXPECT_EQ(now.listing, programFolder() + BaseName + ".pdf");
    EXPECT_EQ(then.file, keptFile(stem + ".txt"));
    EXPECT_EQ(then.listing, keptFile(stem + ".pdf"));
    EXPECT_EQ(checkFiledDeclaration(now), FileMark::Unchanged);
    EXPECT_EQ(checkFiledDeclaration(then), FileMark::Unchanged);

    // Files the clerk deleted himself are not kept, and the record of the last one no longer
    // names the place where the next one is written.
    ASSERT_TRUE(QFile::remove(workFile(BaseName + ".txt")));
    ASSERT_TRUE(QFile::remove(programFolder() + BaseName + ".pdf"));
    const auto third = generate();
    ASSERT_TRUE(third);
    EXPECT_FALSE(third->kept.keptAnything());
    const QList<FiledDeclaration> last = recorded();
    ASSERT_EQ(last.size(), 3);
    EXPECT_EQ(last[0].version, 3);
    EXPECT_EQ(QFileInfo(last[1].file).dir().dirName(), QStringLiteral("anteriores"));
    EXPECT_EQ(checkFiledDeclaration(last[1]), FileMark::Missing);
    EXPECT_EQ(checkFiledDeclaration(last[2]), FileMark::Unchanged);
}

// The last page of the listing ends with the rows, the total and the first 16 digits of the
// declaration file's SHA-256, as `sha256sum` prints it; no other page has that line.
TEST_F(Generation, TheListingEndsWithTheFilesFingerprint)
{
    appendRows(85);
    const auto result = generate();
    ASSERT_TRUE(result);
    const QByteArray sha = sha256Of(readAll(workFile(BaseName + ".txt")));
    EXPECT_EQ(result->filed.sha256, sha);
    const ToolResult sum = runTool(QStringLiteral("sha256sum"), {workFile(BaseName + ".txt")});
    EXPECT_TRUE(sum.output.startsWith(sha)) << sum.output.toStdString();
    const QString pdf = programFolder() + BaseName + ".pdf";
    ASSERT_EQ(pageCount(pdf), 3);
    EXPECT_EQ(runTool("qpdf", {"--check", pdf}).exitCode, 0);
    const auto words = wordsOf(pdf);
    for (int page : {1, 2})
        EXPECT_EQ(findWord(words, page, QStringLiteral("SHA-256")), nullptr) << page;
    const PdfWord *label = findWord(words, 3, QStringLiteral("SHA-256"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(lineAt(words, 3, label->yMin),
              QStringLiteral("Archivo 17300415.txt: 85 retenciones, total 5270.00, SHA-256 ") +
                  QString::fromLatin1(sha.left(16)));
}

// A database made before declarations were recorded is used as before; the earlier declaration
// is kept all the same.
TEST_F(Generation, ADatabaseWithoutTheRecordWorksAsBefore)
{
    transaction_->executeImmediate(QStringLiteral("drop table DECLARACION"));
    transaction_->commit();
    appendRows(2);
    const auto first = generate();
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->recorded);
    const auto second = generate();
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->kept.keptAnything());
    EXPECT_EQ(readAll(second->kept.file), readAll(workFile(BaseName + ".txt")));
    EXPECT_EQ(committedRows().size(), 2);
    bool hasTable = true;
    Connection connection(path_, User, Password);
    EXPECT_TRUE(readFiledDeclarations(connection, &hasTable).isEmpty());
    EXPECT_FALSE(hasTable);
}

// A user who may fill RETEN but not DECLARACION is told what to ask for, and his declaration is
// not made; with the grants the script gives, it is.
TEST_F(Generation, AUserWithoutTheRecordsGrantsIsToldWhatToAskFor)
{
    transaction_->executeImmediate(
        QStringLiteral("grant select, insert, update, delete on RETEN to user LIMITADO"));
    transaction_->executeImmediate(QStringLiteral("grant usage on sequence GEN_RETEN_JID to user LIMITADO"));
    transaction_->executeImmediate(
        QStringLiteral("grant select, insert, update on RETEN_LOCK to user LIMITADO"));
    transaction_->commit();
    appendRows(2);
    writeAll(workFile(BaseName + ".txt"), "EARLIER\r\r\n");
    // Without the register's grants it stops first, and says so.
    store = std::make_unique<RetenStore>(path_, QStringLiteral("LIMITADO"), Password);
    try {
        generate();
        FAIL() << "no error";
    } catch (const DatabaseError &e) {
        EXPECT_TRUE(e.message().startsWith(RetenStore::registerGrantsText())) << e.message().toStdString();
    }
    transaction_->executeImmediate(QStringLiteral("grant select, insert, update on SUJETO to user LIMITADO"));
    transaction_->executeImmediate(
        QStringLiteral("grant select, insert, update, delete on SUJETO_PERIODO to user LIMITADO"));
    transaction_->commit();
    store = std::make_unique<RetenStore>(path_, QStringLiteral("LIMITADO"), Password);
    try {
        generate();
        FAIL() << "no error";
    } catch (const DatabaseError &e) {
        EXPECT_TRUE(e.message().startsWith(declarationGrantsText())) << e.message().toStdString();
    }
    EXPECT_EQ(readAll(workFile(BaseName + ".txt")), "EARLIER\r\r\n");
    EXPECT_EQ(workFiles(), QStringList{BaseName + ".txt"});
    EXPECT_TRUE(recorded().isEmpty());

    store = std::make_unique<RetenStore>(path_, QStringLiteral("RETENCIONES"), Password);
    ASSERT_TRUE(generate());
    EXPECT_EQ(recorded().size(), 1);
}

// A folder whose name holds characters outside the code page is recorded as it is.
TEST_F(Generation, AnyFolderNameIsRecordedAsItIs)
{
    const QString folder = work_.filePath(QStringLiteral("Año ñandú 日本 €"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QDir::setCurrent(folder));
    appendRows(1);
    ASSERT_TRUE(generate());
    const QList<FiledDeclaration> rows = recorded();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].file, QDir(folder).absoluteFilePath(BaseName + ".txt"));
    EXPECT_EQ(checkFiledDeclaration(rows[0]), FileMark::Unchanged);
}

// The new listing fails after the declaration is in place: the earlier listing, kept, leaves
// the new one's place, so it is never taken for the new declaration's.
TEST_F(Generation, AFailedListingLeavesNoEarlierListingInItsPlace)
{
    appendRows(2);
    ASSERT_TRUE(generate());
    const QByteArray earlier = readAll(programFolder() + BaseName + ".pdf");
    class Failing : public RecordingMonitor {
    public:
        bool exportProgress(int) override { throw ReportError(QStringLiteral("disk gone")); }
    } failing;
    try {
        generate(Agent, true, &failing);
        FAIL() << "no error";
    } catch (const ReportError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("disk gone")));
    }
    EXPECT_FALSE(QFileInfo::exists(programFolder() + BaseName + ".pdf"));
    const QStringList kept = QDir(work_.filePath(QStringLiteral("anteriores"))).entryList({"*.pdf"});
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(readAll(keptFile(kept[0])), earlier);
    EXPECT_EQ(recorded().size(), 2);
}

// The window opens on a database that is not there yet; the first statement once it exists
// attaches and works.
TEST_F(Generation, StoreConnectsLaterOnceTheDatabaseExists)
{
    const QString later = work_.filePath(QStringLiteral("LATER.FDB"));
    RetenStore lateStore(later);
    EXPECT_FALSE(lateStore.connect());
    EXPECT_THROW(lateStore.clear(), DatabaseError);
    ASSERT_TRUE(QFile::copy(path_, later));
    EXPECT_NO_THROW(lateStore.clear());
    lateStore.insert({QStringLiteral("1"), QStringLiteral("01/03/2017"), 5, QStringLiteral("A"),
                      QStringLiteral("20-1"), QStringLiteral("3/2017")});
    lateStore.commit();
    RetenRowSource rows = lateStore.insertedRows();
    ASSERT_TRUE(rows.next());
    EXPECT_EQ(rows.value(QStringLiteral("nrocom")).toString(), QStringLiteral("1").leftJustified(20));
    EXPECT_EQ(rows.value(QStringLiteral("PERIODO")).toString(), QStringLiteral("3/2017").leftJustified(20));
    EXPECT_EQ(rows.value(QStringLiteral("IMPORTE")).toDouble(), 5.0);
    EXPECT_FALSE(rows.value(QStringLiteral("NADA")).isValid());
    EXPECT_FALSE(rows.next());
}

// A listing that cannot be written ends the generation after the commit: the declaration and
// RETEN are complete, the error names the PDF.
TEST_F(Generation, ListingThatCannotBeWrittenKeepsTheCompleteDeclaration)
{
    appendRows(2);
    dialogs.confirmations.push_back(true);
    DeclarationGeneration generation(*store, report, F, dialogs);
    const QString missingFolder = programFolder() + QStringLiteral("gone/");
    try {
        generation.run(Agent, grid, missingFolder);
        FAIL() << "no error";
    } catch (const ReportError &e) {
        EXPECT_TRUE(e.message().startsWith(DeclarationGeneration::listingFailedText(
            BaseName + ".txt",
            QStringLiteral("Cannot create file \"") + missingFolder + BaseName + QStringLiteral(".pdf\". "))))
            << e.message().toStdString();
    }
    EXPECT_EQ(readAll(workFile(BaseName + ".txt")), expectedFile({1, 2}));
    EXPECT_EQ(workFiles(), QStringList{BaseName + ".txt"});
    EXPECT_EQ(committedRows().size(), 2);
}

namespace {
// SUJETO as another attachment sees it: "CUIT|RAZON|PERIODO|CANTIDAD", by CUIT.
QStringList registered(const QString &database)
{
    Connection connection(database, QStringLiteral("SYSDBA"), QStringLiteral("vordelsam"));
    Transaction transaction(connection);
    Query q(transaction);
    q.setSql(QStringLiteral("select cuit, razon, periodo, cantidad from sujeto order by cuit"));
    q.open();
    QStringList rows;
    while (q.next())
        rows << QStringList{q.text(0), q.text(1), q.text(2), QString::number(q.number(3))}.join(
            QLatin1Char('|'));
    return rows;
}
} // namespace

// Each completed generation teaches the register its suppliers: the last name a CUIT comes
// with in the declaration, its withholdings counted, the latest period kept; a CUIT that never
// comes with a name teaches nothing, and a failed generation teaches nothing at all.
TEST_F(Generation, GenerationsTeachTheSupplierRegister)
{
    const QString nandu = QStringLiteral("FERRETERÍA ÑANDÚ");
    grid.append(cells("1", "05/03/2017", "100.00", "1", QStringLiteral("PRIMER NOMBRE"), "20-12345678-6"));
    grid.append(cells("2", "06/03/2017", "100.00", "1", QStringLiteral("SEGUNDO NOMBRE"), "20-12345678-6"));
    grid.append(cells("3", "07/03/2017", "100.00", "1", QString(), "20-22222222-2"));
    grid.append(cells("4", "08/03/2017", "100.00", "1", nandu, "30-33333333-3"));
    ASSERT_TRUE(generate());
    EXPECT_EQ(registered(path_), (QStringList{"20-12345678-6|SEGUNDO NOMBRE|2017-03|2",
                                              "30-33333333-3|" + nandu + "|2017-03|1"}));

    grid.reset();
    grid.append(cells("9", "05/02/2017", "100.00", "1", QStringLiteral("TERCER NOMBRE"), "20-12345678-6"));
    refuseCommits(true);
    store = std::make_unique<RetenStore>(path_); // database triggers come with a new attachment
    EXPECT_THROW(
        generate(DeclarationHeader{QStringLiteral("415"), QStringLiteral("2"), QStringLiteral("2017"),
                                   QStringLiteral("30-70000001-2"), QStringLiteral("AGENTE")}),
        DatabaseError);
    refuseCommits(false);
    store = std::make_unique<RetenStore>(path_);
    EXPECT_EQ(registered(path_).first(), QStringLiteral("20-12345678-6|SEGUNDO NOMBRE|2017-03|2"));
    ASSERT_TRUE(generate(DeclarationHeader{QStringLiteral("415"), QStringLiteral("2"), QStringLiteral("2017"),
                                           QStringLiteral("30-70000001-2"), QStringLiteral("AGENTE")}));
    EXPECT_EQ(registered(path_).first(), QStringLiteral("20-12345678-6|TERCER NOMBRE|2017-03|3"));
}

// Imports and reloads teach names and the period, never counts; while another program
// generates, the lesson is refused and can be given again.
TEST_F(Generation, ImportsAndReloadsTeachTheRegisterInAWorkOfTheirOwn)
{
    const QList<SupplierCount> file{{QStringLiteral("20-12345678-6"), QStringLiteral("DEL ARCHIVO"), 3}};
    store->learnSuppliers(file, QStringLiteral("2017-01"));
    store->learnSuppliers({{QStringLiteral("20-12345678-6"), QStringLiteral("RECARGADO"), 5}},
                          QStringLiteral("2016-12"));
    EXPECT_EQ(registered(path_), QStringList{"20-12345678-6|RECARGADO|2017-01|0"});
    lockFromAnotherProgram();
    try {
        store->learnSuppliers(file, QStringLiteral("2017-02"));
        ADD_FAILURE() << "no refusal";
    } catch (const DatabaseError &e) {
        EXPECT_EQ(e.message(), RetenStore::busyText());
    }
    otherTransaction.reset();
    otherConnection.reset();
    EXPECT_EQ(registered(path_), QStringList{"20-12345678-6|RECARGADO|2017-01|0"});
}

// A withholding counts once for its period, however often the period is imported, reloaded or
// confirmed; a correction replaces the period's counts, another period adds its own, and a
// generation that fails changes none. A database without the counts by period keeps its counts.
TEST_F(Generation, EachWithholdingCountsOnceForItsPeriod)
{
    const struct {
        const char *name;
        int month, ofA, ofB;
        bool taughtFirst; // imported or reloaded before CONFIRMA
        bool fails;
        QStringList registered; // "CUIT|PERIODO|CANTIDAD"
    } steps[] = {
        {"March imported, then confirmed", 3, 10, 10, true, false, {"20-1|2017-03|10", "20-2|2017-03|10"}},
        {"March reloaded and confirmed again",
         3,
         10,
         10,
         true,
         false,
         {"20-1|2017-03|10", "20-2|2017-03|10"}},
        {"March corrected: fewer of A, none of B",
         3,
         4,
         0,
         false,
         false,
         {"20-1|2017-03|4", "20-2|2017-03|0"}},
        {"April", 4, 3, 2, true, false, {"20-1|2017-04|7", "20-2|2017-04|2"}},
        {"April again, failing at the commit", 4, 9, 9, false, true, {"20-1|2017-04|7", "20-2|2017-04|2"}},
        {"March corrected again", 3, 1, 5, false, false, {"20-1|2017-04|4", "20-2|2017-04|7"}},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.name);
        grid.reset();
        for (int i = 0; i < step.ofA + step.ofB; ++i)
            grid.append(cells(QByteArray::number(i + 1).constData(), "15/03/2017", "100.00", "0.5",
                              i < step.ofA ? QStringLiteral("A") : QStringLiteral("B"),
                              i < step.ofA ? "20-1" : "20-2"));
        const QString month = QString::number(step.month);
        if (step.taughtFirst)
            store->learnSuppliers(supplierCounts(grid.withholdings()), registerPeriod(2017, step.month));
        if (step.fails)
            refuseCommits(true);
        const DeclarationHeader header{QStringLiteral("415"), month, QStringLiteral("2017"),
                                       QStringLiteral("30-70000001-2"), QStringLiteral("AGENTE")};
        if (step.fails) {
            store = std::make_unique<RetenStore>(path_); // database triggers come with a new attachment
            EXPECT_THROW(generate(header), DatabaseError);
            refuseCommits(false);
            store = std::make_unique<RetenStore>(path_);
        } else {
            ASSERT_TRUE(generate(header));
        }
        QStringList counts;
        for (const QString &row : registered(path_)) {
            const QStringList cells = row.split(QLatin1Char('|'));
            counts << cells[0] + QLatin1Char('|') + cells[2] + QLatin1Char('|') + cells[3];
        }
        EXPECT_EQ(counts, step.registered);
    }
    store.reset(); // the table is in use while the store's attachment lasts
    transaction_->executeImmediate(QStringLiteral("drop table SUJETO_PERIODO"));
    transaction_->commit();
    store = std::make_unique<RetenStore>(path_);
    grid.reset();
    grid.append(cells("1", "15/03/2017", "100.00", "0.5", QStringLiteral("NUEVO NOMBRE"), "20-1"));
    grid.append(cells("2", "15/03/2017", "100.00", "0.5", QStringLiteral("C"), "20-3"));
    ASSERT_TRUE(generate());
    EXPECT_EQ(registered(path_),
              (QStringList{"20-1|NUEVO NOMBRE|2017-04|4", "20-2|B|2017-04|7", "20-3|C|2017-03|0"}));
}

// The register is read in pieces; a damaged row with a blank name is never given.
TEST_F(Generation, RegisterIsReadInPiecesWithoutBlankNames)
{
    for (int i = 1; i <= 5; ++i)
        transaction_->executeImmediate(
            QStringLiteral("insert into sujeto (cuit, razon) values ('20-0000000%1-0', '%2')")
                .arg(i)
                .arg(i == 3 ? QStringLiteral(" ") : QStringLiteral("PROVEEDOR %1").arg(i)));
    transaction_->commit();
    store->openSuppliers();
    QList<int> pieces;
    QStringList names;
    for (QList<Supplier> piece; !(piece = store->nextSuppliers(2)).isEmpty();) {
        pieces << int(piece.size());
        for (const Supplier &s : piece)
            names << s.name;
    }
    names.sort();
    EXPECT_EQ(pieces, (QList<int>{2, 2}));
    EXPECT_EQ(names, (QStringList{"PROVEEDOR 1", "PROVEEDOR 2", "PROVEEDOR 4", "PROVEEDOR 5"}));
}

// A database made before the register existed works as before: no register, no error.
TEST_F(Generation, DatabaseWithoutTheRegisterWorksAsBefore)
{
    transaction_->executeImmediate(QStringLiteral("drop table sujeto"));
    transaction_->commit();
    appendRows(2);
    ASSERT_TRUE(generate());
    EXPECT_EQ(committedRows().size(), 2);
    store->learnSuppliers({{QStringLiteral("20-12345678-6"), QStringLiteral("X"), 1}},
                          QStringLiteral("2017-03"));
    store->openSuppliers();
    EXPECT_TRUE(store->nextSuppliers(10).isEmpty());
}

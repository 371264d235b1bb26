// What recording every declaration costs, on an embedded database (offscreen unless
// QT_QPA_PLATFORM says otherwise):
// - the window of past declarations with 10,000 declarations recorded, from F7 to its first
//   paint (the rows read, the visible rows' files looked at: 50 files of 500 records);
// - CONFIRMA at 500 and 50,000 rows on a database with table DECLARACION and on one without
//   it, run alternately, with the SHA-256 of the file's bytes (always computed while writing)
//   timed on its own, so that recording's share of CONFIRMA is the difference plus the hash.
// Medians and CPU times; it never fails a build.
#include "app/tf_anteriores.h"
#include "app/tf_retenciones.h"
#include "bench/bench_support.h"
#include "common/codepage.h"
#include "common/dialogs.h"
#include "common/sha256.h"
#include "common/text_file.h"
#include "declaration/declaration_file.h"
#include "declaration/declaration_generation.h"
#include "declaration/filed_declaration.h"
#include "declaration/past_declarations_model.h"
#include "declaration/report_layout.h"
#include "declaration/reten_store.h"
#include "withholdings/grid_model.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {
class BenchDialogs : public Dialogs {
public:
    void ShowInformation(const QString &text) override
    {
        std::fprintf(stderr, "info: %s\n", qPrintable(text));
    }
    bool AskConfirmation(const QString &) override { return true; }
    void ShowError(const QString &, const QString &text) override
    {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
    }
    std::optional<QString> ChooseFileToOpen() override { return std::nullopt; }
};

// A wrong answer is reported at once; the benchmark goes on, and ends with status 1.
bool wrongAnswers = false;
void wrong(const QString &what)
{
    std::fprintf(stderr, "history_bench: wrong answer: %s\n", qPrintable(what));
    wrongAnswers = true;
}

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

const DeclarationHeader Agent{QStringLiteral("415"), QStringLiteral("3"), QStringLiteral("2017"),
                              QStringLiteral("30-70000001-2"), QStringLiteral("AGENTE DE PRUEBA SRL")};

void fill(GridModel &grid, int rows)
{
    grid.reset();
    for (int i = 1; i <= rows; ++i)
        grid.append({QString::number(1000 + i), QStringLiteral("15/03/2017"), QStringLiteral("12400.00"),
                     QStringLiteral("62"), QStringLiteral("PROVEEDOR ÑANDÚ S.A. %1").arg(i),
                     QStringLiteral("20-12345678-9")});
}

// 10,000 recorded declarations whose files are 50 declaration files of 500 records.
void recordHistory(const QString &database, const QString &folder)
{
    GridModel grid;
    fill(grid, 500);
    QByteArray bytes;
    for (int row = 1; row <= 500; ++row)
        bytes += ToSystemCodePage(declarationRecord(grid.withholding(row), Agent)) + "\r\r\n";
    const QByteArray sha = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
    for (int i = 0; i < 50; ++i) {
        QFile file(QDir(folder).filePath(QStringLiteral("%1.txt").arg(i)));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }
    Connection connection(database, RetenStore::UserName, RetenStore::Password);
    Transaction transaction(connection);
    transaction.executeImmediate(
        QStringLiteral(
            "execute block as declare i integer = 0; begin while (i < 10000) do begin "
            "insert into declaracion (legajo, anio, mes, base, version, confirmada, filas, total, sha256, "
            "bytes, agente, equipo, archivo, listado) values (mod(:i, 40) + 100, 2015 + mod(:i / 480, 11), "
            "mod(:i / 40, 12) + 1, 'B' || :i, 1, dateadd(:i minute to timestamp '2020-01-01 08:00'), 500, "
            "31000, '%1', %2, 'AGENTE DE PRUEBA SRL', '%3', '%4/' || mod(:i, 50) || '.txt', '%4/' || :i || "
            "'.pdf'); i = i + 1; end end")
            .arg(QString::fromLatin1(sha))
            .arg(bytes.size())
            .arg(thisMachine(), folder));
    transaction.commit();
}

// Notes the first paint of a widget.
class PaintWatcher : public QObject {
public:
    explicit PaintWatcher(QWidget *widget) { widget->installEventFilter(this); }
    bool seen = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            seen = true;
        return QObject::eventFilter(watched, event);
    }
};

void windowOpening(const QString &database, const QString &folder)
{
    recordHistory(database, folder);
    RetenStore store(database);
    store.connect();
    BenchDialogs dialogs;
    ReportDefinition report =
        ListingReport(QImage(232, 107, QImage::Format_RGB32), QImage(213, 107, QImage::Format_RGB32));
    auto run = [](const std::function<void()> &action) {
        action();
        return true;
    };
    std::vector<double> wall, cpu, read;
    for (int i = 0; i < 11; ++i) {
        QElapsedTimer clock;
        clock.start();
        const double cpuStart = cpuMs();
        TF_Anteriores past(
            dialogs, store, [&]() -> ReportDefinition & { return report; }, run);
        past.load();
        PaintWatcher painted(past.lista->viewport());
        past.show();
        while (!painted.seen)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (i > 0) { // the first one warms the statement and the page cache
            wall.push_back(ms(clock));
            cpu.push_back(cpuMs() - cpuStart);
        }
        if (!past.cantidad->text().startsWith(QStringLiteral("10000 ")))
            wrong(QStringLiteral("the window says %1").arg(past.cantidad->text()));
        clock.restart();
        const auto all = readFiledDeclarations(store.Conector);
        read.push_back(ms(clock));
        if (all.size() != 10000)
            wrong(QStringLiteral("%1 declarations read, not 10000").arg(all.size()));
    }
    std::printf("window of past declarations, 10,000 recorded: %.1f ms from F7 to its first paint "
                "(%.1f ms of CPU); reading all 10,000 rows at once would take %.1f ms (medians of %zu)\n",
                median(wall), median(cpu), median(read), wall.size());
}

struct Confirma {
    double wall = 0;
    double cpu = 0;
};

Confirma confirm(RetenStore &store, ReportDefinition &report, const GridModel &grid, const QString &folder)
{
    BenchDialogs dialogs;
    TextFile f;
    DeclarationGeneration generation(store, report, f, dialogs);
    QElapsedTimer clock;
    clock.start();
    const double cpuStart = cpuMs();
    const auto result = generation.run(Agent, grid, folder + QLatin1Char('/'));
    const Confirma figures{ms(clock), cpuMs() - cpuStart};
    if (!result || result->filed.rows != grid.Fila() - 1 || result->report.rowsPlaced != result->filed.rows)
        wrong(QStringLiteral("the generation of %1 rows failed or lost rows").arg(grid.Fila() - 1));
    return figures;
}

// The declaration file written as the generation writes it, with or without its fingerprint
// hashed as it is written; the wall time in ms until the file is closed and the hash known.
double writeFile(const GridModel &grid, const QString &path, bool fingerprint)
{
    TextFile f;
    QElapsedTimer clock;
    clock.start();
    Sha256 digest;
    createDeclarationFile(f, path);
    if (fingerprint)
        SetTextDigest(f, [&digest](QByteArrayView bytes) { digest.addData(bytes); });
    for (int row = 1; row <= grid.lastRow(); ++row)
        appendDeclarationRecord(f, declarationRecord(grid.withholding(row), Agent));
    SyncTextFile(f);
    CheckIo();
    SetTextDigest(f, {});
    closeDeclarationFile(f);
    digest.hexResult();
    return ms(clock);
}

// CONFIRMA on a database that records it and on one without DECLARACION, in turns (ABBA, so that
// neither always comes first); the two differ by more than recording (how the engine collects
// each one's garbage comes and goes), so recording's own work is also timed on its own: the row's
// statements, what they add to the commit, and the fingerprint, timed on the writing of the file
// with and without it (both generations hash it: the listing's last line needs it anyway).
void recordingShare(const QString &root, int rows, int runs)
{
    QDir(root).mkpath(QStringLiteral("with"));
    QDir(root).mkpath(QStringLiteral("without"));
    const QString with = freshDatabase(root + QStringLiteral("/with/RETENCIONES.FDB"));
    const QString without = freshDatabase(root + QStringLiteral("/without/RETENCIONES.FDB"));
    {
        Connection connection(without, RetenStore::UserName, RetenStore::Password);
        Transaction transaction(connection);
        transaction.executeImmediate(QStringLiteral("drop table DECLARACION"));
        transaction.commit();
    }
    GridModel grid;
    fill(grid, rows);
    ReportDefinition report =
        ListingReport(QImage(232, 107, QImage::Format_RGB32), QImage(213, 107, QImage::Format_RGB32));
    RetenStore recording(with), plain(without);
    recording.connect();
    plain.connect();
    std::vector<double> wallWith, wallWithout, cpuWith, cpuWithout, hashed, unhashed;
    auto withRecord = [&] {
        QDir::setCurrent(root + QStringLiteral("/with"));
        return confirm(recording, report, grid, root + QStringLiteral("/with"));
    };
    auto withoutRecord = [&] {
        QDir::setCurrent(root + QStringLiteral("/without"));
        return confirm(plain, report, grid, root + QStringLiteral("/without"));
    };
    withRecord(); // warms the caches and the statements
    withoutRecord();
    for (int run = 0; run < runs; ++run) {
        const bool recordFirst = run % 4 == 0 || run % 4 == 3;
        const Confirma a = recordFirst ? withRecord() : Confirma{};
        const Confirma b = withoutRecord();
        const Confirma c = recordFirst ? a : withRecord();
        wallWith.push_back(c.wall);
        cpuWith.push_back(c.cpu);
        wallWithout.push_back(b.wall);
        cpuWithout.push_back(b.cpu);
        const QString file = root + QStringLiteral("/written.txt");
        unhashed.push_back(writeFile(grid, file, false));
        hashed.push_back(writeFile(grid, file, true));
    }
    // Recording's own work, on one database, in generations that record and that do not, by
    // turns: the row's statements and what they add to the commit.
    std::vector<double> statements, commitWith, commitWithout;
    for (int run = 0; run < 2 * runs; ++run) {
        const bool record = run % 2 == 1;
        recording.clear();
        recording.reserve();
        for (int row = 1; row <= rows; ++row)
            recording.insert(retenRow(grid.withholding(row), QStringLiteral("3/2017")));
        QElapsedTimer clock;
        clock.start();
        if (record) {
            FiledDeclaration d;
            d.legajo = QStringLiteral("415");
            d.year = 2017;
            d.month = 3;
            d.baseName = QStringLiteral("17300415");
            d.confirmedAt = QDateTime::currentDateTime();
            d.sha256 = QByteArray(64, 'a');
            d.host = thisMachine();
            d.file = root + QStringLiteral("/with/17300415.txt");
            d.listing = root + QStringLiteral("/with/17300415.pdf");
            recording.record(d, KeptDeclaration());
            statements.push_back(ms(clock));
        }
        clock.restart();
        recording.commit();
        (record ? commitWith : commitWithout).push_back(ms(clock));
        recording.finish();
    }
    const double base = median(wallWithout);
    const double own = median(statements) + std::max(0.0, median(commitWith) - median(commitWithout)) +
                       std::max(0.0, median(hashed) - median(unhashed));
    std::printf(
        "CONFIRMA, %d rows (medians of %d): %.1f ms on a database without DECLARACION, %.1f ms on one "
        "with it (CPU %.1f and %.1f ms)\n"
        "  recording's own work: the row %.2f ms, the commit %.2f ms instead of %.2f ms, the file "
        "written in %.2f ms with its fingerprint and %.2f ms without\n"
        "  recording adds %.2f ms, %.1f %% of CONFIRMA\n",
        rows, runs, base, median(wallWith), median(cpuWithout), median(cpuWith), median(statements),
        median(commitWith), median(commitWithout), median(hashed), median(unhashed), own, own / base * 100);
    // Each run keeps the one before it: the kept folder grows by a file per run.
    QDir(root + QStringLiteral("/with/anteriores")).removeRecursively();
    QDir(root + QStringLiteral("/without/anteriores")).removeRecursively();
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir folder;
    const QString database = freshDatabase(folder.filePath(QStringLiteral("HISTORY.FDB")));
    windowOpening(database, folder.path());
    recordingShare(folder.filePath(QStringLiteral("small")), 500, 31);
    recordingShare(folder.filePath(QStringLiteral("large")), 50000, 6);
    return wrongAnswers ? 1 : 0;
}

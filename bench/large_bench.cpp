// A large agent's month through the main window (offscreen unless QT_QPA_PLATFORM says
// otherwise), on an embedded database: import and reload of 50,000 rows, ADICIONA with its
// duplicate check at 50,000 rows, CONFIRMA end to end with 50,000 and 500 rows, the resident
// memory with 50,000 rows loaded, and the grid's scrolling, selection and deletion at 100,000
// rows. Medians. CONFIRMA is also timed from the clerk's Yes to the status line, which leaves
// out the emptying of RETEN before the question. Every timed run's answer is checked after its
// clock stops (the rows in the grid and their total, the declaration's records, RETEN's rows, the
// listing, the status line); a wrong one ends the benchmark with status 1. It never fails a
// build.
#include "app/masked_edit.h"
#include "app/tf_retenciones.h"
#include "bench/bench_support.h"
#include "common/dialogs.h"
#include "common/text_file.h"
#include "declaration/declaration_file.h"
#include "declaration/declaration_generation.h"
#include "declaration/reten_store.h"
#include "withholdings/grid_model.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {
class BenchDialogs : public Dialogs {
public:
    QString file;
    int informations = 0;
    QElapsedTimer answered; // started at the clerk's Yes
    double answeredCpu = 0;
    void ShowInformation(const QString &) override { ++informations; }
    bool AskConfirmation(const QString &) override;
    void ShowError(const QString &, const QString &text) override
    {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
    }
    std::optional<QString> ChooseFileToOpen() override { return file; }
};

// CPU time of the whole process (every thread, the engine's included), in ms.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// A wrong answer ends the benchmark; main reports it, once the temporary folder is removed.
struct WrongAnswer : std::runtime_error {
    WrongAnswer(const char *phase, const QString &what)
        : std::runtime_error(std::string(phase) + " gave a wrong answer: " + what.toStdString())
    {
    }
};

// Runs `work` `runs` times after `prepare`, timing only the work; the median wall time in ms.
// A named phase also reports its median CPU time: on a shared machine the CPU time says what
// the work costs, the wall time what the clerk waited. `check` runs after each run's clock has
// stopped and answers what is wrong, or nothing. `tail`, when given, is the part of each run
// from its own clock's start to the end of the work, reported as the phase `tail->name`.
struct Tail {
    const char *name;
    const QElapsedTimer *started;
    const double *cpuStarted;
};
double timed(int runs, const std::function<void()> &prepare, const std::function<void()> &work,
             const char *name = nullptr, const std::function<QString()> &check = {},
             std::optional<Tail> tail = std::nullopt)
{
    std::vector<double> times, cpu, tails, tailsCpu;
    for (int run = 0; run < runs; ++run) {
        prepare();
        QElapsedTimer clock;
        clock.start();
        const double cpuStart = cpuMs();
        work();
        QApplication::processEvents();
        times.push_back(ms(clock));
        cpu.push_back(cpuMs() - cpuStart);
        if (tail) {
            tails.push_back(ms(*tail->started));
            tailsCpu.push_back(cpuMs() - *tail->cpuStarted);
        }
        if (check)
            if (const QString fault = check(); !fault.isEmpty())
                throw WrongAnswer(name ? name : "a phase", fault);
    }
    if (name && tail)
        std::fprintf(stderr, "%-12s wall %9.3f ms  cpu %9.3f ms (medians of %d)\n", tail->name, median(tails),
                     median(tailsCpu), runs);
    if (name)
        std::fprintf(stderr, "%-12s wall %9.3f ms  cpu %9.3f ms (medians of %d)\n", name, median(times),
                     median(cpu), runs);
    return median(times);
}

bool BenchDialogs::AskConfirmation(const QString &)
{
    answered.start();
    answeredCpu = cpuMs();
    return true;
}

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return -1;
}

QList<Withholding> supplierRows(int count)
{
    QList<Withholding> rows;
    rows.reserve(count);
    for (int i = 1; i <= count; ++i)
        rows.append({QString::number(1000000 + i), QStringLiteral("15/03/2017"), QStringLiteral("12400.00"),
                     QStringLiteral("62"), QStringLiteral("PROVEEDOR ÑANDÚ S.A. %1").arg(i),
                     QStringLiteral("20-12345678-6")});
    return rows;
}
} // namespace

int runBench(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir folder;
    const QString database = freshDatabase(folder.filePath(QStringLiteral("RETENCIONES.FDB")));
    QDir::setCurrent(folder.path());
    const QString programFolder = folder.path() + QLatin1Char('/');
    constexpr int Large = 50000;

    const DeclarationHeader header{QStringLiteral("415"), QStringLiteral("3"), QStringLiteral("2017"),
                                   QStringLiteral("30-70000001-2"), QStringLiteral("AGENTE DE PRUEBA SRL")};
    TextFile f;
    const QString exported = folder.filePath(QStringLiteral("export.txt"));
    writeDeclarationFile(f, exported, header, supplierRows(Large));
    QFile::copy(exported, declarationFileName(declarationBaseName(header.year, header.month, header.legajo)));

    BenchDialogs dialogs;
    dialogs.file = exported;
    RetenStore store(database);
    store.connect();
    TF_Retenciones window(dialogs, store, programFolder);
    window.show();
    // What the window does once it is shown (the register's first reading) is done before the
    // first timed run, whenever the loop gets to it.
    QElapsedTimer settling;
    settling.start();
    while (settling.elapsed() < 300)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    // CONFIRMA empties the header, so every run writes it again.
    const auto writeHeader = [&] {
        window.e_legaJo->setText(header.legajo);
        window.e_Mes->setText(header.month);
        window.E_ano->setText(header.year);
        window.e_Cuit->setText(header.agentCuit);
        window.e_Razon->setText(header.agentName);
    };
    writeHeader();
    GridModel &grid = *window.gridModel;
    const auto empty = [&] { grid.reset(); };
    const long before = residentKb();

    // A phase's name as the argument runs that phase alone, for a profiler.
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const auto wanted = [&](const char *phase) { return only.isEmpty() || only == QLatin1String(phase); };

    // Every row withholds 62.00: the grid holds the file's rows and the total a plain sum gives.
    const auto fullGrid = [&]() -> QString {
        if (grid.Fila() != Large + 1)
            return QStringLiteral("%1 rows in the grid, not %2").arg(grid.Fila() - 1).arg(Large);
        for (int row : {1, Large / 2, Large})
            if (grid.withholding(row).receipt.toInt() != 1000000 + row)
                return QStringLiteral("row %1 holds receipt %2").arg(row).arg(grid.withholding(row).receipt);
        if (grid.totalText().toDouble() != 62.0 * Large)
            return QStringLiteral("the total is %1, not %2").arg(grid.totalText()).arg(62 * Large);
        return {};
    };
    const double import = !wanted("import") ? 0
                                            : timed(
                                                  7, empty, [&] { window.B1Click(); }, "import", fullGrid);
    const double reload = !wanted("reload") ? 0
                                            : timed(
                                                  7, empty, [&] { window.B2Click(); }, "reload", fullGrid);
    const long loaded = residentKb();

    int next = 0;
    int filaBefore = 0;
    QString receipt;
    // A new receipt is the grid's new last row; one already in the grid adds nothing.
    const auto addedOrRefused = [&]() -> QString {
        const bool duplicate = next % 2;
        if (!duplicate && (grid.Fila() != filaBefore + 1 || grid.withholding(filaBefore).receipt != receipt))
            return QStringLiteral("receipt %1 was not added as row %2").arg(receipt).arg(filaBefore);
        if (duplicate && grid.Fila() < filaBefore)
            return QStringLiteral("the grid lost rows");
        return {};
    };
    if (!wanted("reload"))
        window.B2Click();
    const double adiciona =
        !wanted("adiciona") ? 0
                            : timed(
                                  21,
                                  [&] {
                                      receipt = QString::number(1000000 + (++next % 2 ? 7 : Large + next));
                                      window.E_Comprobante->setText(receipt);
                                      window.E_FECha->setText(QStringLiteral("15032017"));
                                      window.E_Importe->setText(QStringLiteral("62"));
                                      window.Impo_compro->setText(QStringLiteral("12400.00"));
                                      window.E_CuitReten->setText(QStringLiteral("20123456789"));
                                      window.empresa->setText(QStringLiteral("OTRO"));
                                  },
                                  [&] {
                                      filaBefore = grid.Fila();
                                      window.E_ComprobanteExit();
                                      window.B_adicionaClick();
                                  },
                                  "adiciona", addedOrRefused);

    // What a CONFIRMA of `rows` rows leaves: the status line, a record per row in the file, a row
    // per row in RETEN (read on an attachment of its own) and a whole listing written by this run.
    const QString baseName = declarationBaseName(header.year, header.month, header.legajo);
    const QString listing = programFolder + declarationPdfName(baseName);
    QDateTime started;
    const auto declared = [&](int rows) -> QString {
        if (!window.salida->text().startsWith(QStringLiteral("SU ARCHIVOS")) ||
            !window.salida->text().endsWith(baseName))
            return QStringLiteral("the status line reads \"%1\"").arg(window.salida->text());
        QFile file(declarationFileName(baseName));
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("no declaration file");
        const QByteArray bytes = file.readAll();
        if (bytes.count('\n') != rows || !bytes.left(bytes.indexOf('\n')).contains("1000001PROVEEDOR"))
            return QStringLiteral("the declaration holds %1 records, not %2")
                .arg(bytes.count('\n'))
                .arg(rows);
        // Attached for the check alone: a second attachment kept open would make the engine write
        // pages for it while the next run is timed.
        Connection reader(database, RetenStore::UserName, RetenStore::Password);
        Transaction transaction(reader);
        Query count(transaction);
        count.setSql(QStringLiteral("select count(*), sum(importe) from reten"));
        count.open();
        const bool read = count.next();
        const int stored = read ? int(count.number(0)) : -1;
        const double sum = read ? count.number(1) : 0;
        count.close();
        transaction.commit();
        reader.close();
        if (stored != rows || sum != 62.0 * rows)
            return QStringLiteral("RETEN holds %1 rows of %2, not %3 of %4")
                .arg(stored)
                .arg(sum)
                .arg(rows)
                .arg(62 * rows);
        QFile pdf(listing);
        if (!pdf.open(QIODevice::ReadOnly) || QFileInfo(pdf).lastModified() < started)
            return QStringLiteral("no listing written by this run");
        const QByteArray document = pdf.readAll();
        if (!document.startsWith("%PDF-") || !document.trimmed().endsWith("%%EOF"))
            return QStringLiteral("the listing is not a whole PDF file");
        return {};
    };
    const auto generate = [&](int rows) {
        const bool large = rows > 1000;
        return timed(
            large ? 5 : 11,
            [&] {
                grid.reset();
                grid.appendAll(supplierRows(rows));
                writeHeader();
                started = QDateTime::currentDateTime().addSecs(-1);
            },
            [&] { window.B_ConfirmaClick(); }, large ? "confirm" : "confirm500",
            [&] { return declared(rows); },
            Tail{large ? "confirmYes" : "confirm500Yes", &dialogs.answered, &dialogs.answeredCpu});
    };
    const double confirmLarge = !wanted("confirm") ? 0 : generate(Large);
    const double confirmSmall = !wanted("confirm") && !wanted("confirm500") ? 0 : generate(500);
    if (!only.isEmpty() && !wanted("grid")) {
        std::printf("import %.1f reload %.1f adiciona %.3f confirm %.1f confirm500 %.1f\n", import, reload,
                    adiciona, confirmLarge, confirmSmall);
        return 0;
    }

    // Smoothness at the limit.
    grid.reset();
    grid.appendAll(supplierRows(GridModel::LastRow));
    QTableView *view = window.Grilla;
    QScrollBar *bar = view->verticalScrollBar();
    // The view takes in the new rows when the loop runs; before that its scroll bar knows the
    // rows it had.
    QApplication::processEvents();
    if (bar->maximum() < GridModel::LastRow - 100)
        throw WrongAnswer("scroll", QStringLiteral("the view scrolls over %1 rows").arg(bar->maximum()));
    int step = 0;
    const double scroll = timed(
        21, [] {},
        [&] {
            bar->setValue((++step * 7919) % bar->maximum());
            view->viewport()->repaint();
        },
        "scroll",
        [&]() -> QString {
            const int wanted = (step * 7919) % bar->maximum();
            return bar->value() == wanted ? QString()
                                          : QStringLiteral("at %1, not %2 of %3")
                                                .arg(bar->value())
                                                .arg(wanted)
                                                .arg(bar->maximum());
        });
    const double select = timed(
        21, [] {},
        [&] {
            view->setCurrentIndex(grid.index((++step * 7919) % GridModel::LastRow, 1));
            view->viewport()->repaint();
        },
        "select",
        [&]() -> QString {
            return view->currentIndex().row() == (step * 7919) % GridModel::LastRow
                       ? QString()
                       : QStringLiteral("not selected");
        });
    int deleted = GridModel::LastRow;
    const double deletion = timed(
        21, [&] { view->setCurrentIndex(grid.index(GridModel::viewRow(deleted), 1)); },
        [&] {
            window.GrillaDblClick();
            view->viewport()->repaint();
            --deleted;
        },
        "delete",
        [&]() -> QString {
            const double left = 62.0 * (GridModel::LastRow - (GridModel::LastRow - deleted));
            return grid.isDeleted(deleted + 1) && grid.totalText().toDouble() == left
                       ? QString()
                       : QStringLiteral("row %1 not deleted, or the total %2 is not %3")
                             .arg(deleted + 1)
                             .arg(grid.totalText())
                             .arg(left);
        });

    std::printf("rows %d, medians in ms\n", Large);
    std::printf("  import (read, check, append, total)   %8.1f\n", import);
    std::printf("  reload of the period's file            %8.1f\n", reload);
    std::printf("  ADICIONA with the duplicate check      %8.3f\n", adiciona);
    std::printf("  CONFIRMA end to end, %d rows       %8.1f\n", Large, confirmLarge);
    std::printf("  CONFIRMA end to end, 500 rows         %8.1f\n", confirmSmall);
    std::printf("  resident memory: %ld MB before, %ld MB with %d rows loaded\n", before / 1024,
                loaded / 1024, Large);
    std::printf("at %d rows: scroll %.2f ms, select %.2f ms, delete %.2f ms (each with a repaint)\n",
                GridModel::LastRow, scroll, select, deletion);
    std::printf(
        "(CONFIRMA from the clerk's Yes to the status line: see confirmYes and confirm500Yes above)\n");
    return 0;
}

int main(int argc, char *argv[])
{
    try {
        return runBench(argc, argv);
    } catch (const WrongAnswer &e) {
        std::fprintf(stderr, "large_bench: %s\n", e.what());
        return 1;
    }
}

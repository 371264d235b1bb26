// A large agent's month through the main window (offscreen unless QT_QPA_PLATFORM says
// otherwise), on an embedded database: import and reload of 50,000 rows, ADICIONA with its
// duplicate check at 50,000 rows, CONFIRMA end to end with 50,000 and 500 rows, the resident
// memory with 50,000 rows loaded, and the grid's scrolling, selection and deletion at 100,000
// rows. Medians; it never fails a build.
#include "app/masked_edit.h"
#include "app/tf_retenciones.h"
#include "bench/bench_support.h"
#include "common/dialogs.h"
#include "common/text_file.h"
#include "declaration/declaration_file.h"
#include "declaration/reten_store.h"
#include "withholdings/grid_model.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {
class BenchDialogs : public Dialogs {
public:
    QString file;
    int informations = 0;
    void ShowInformation(const QString &) override { ++informations; }
    bool AskConfirmation(const QString &) override { return true; }
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

// Runs `work` `runs` times after `prepare`, timing only the work; the median wall time in ms.
// A named phase also reports its median CPU time: on a shared machine the CPU time says what
// the work costs, the wall time what the clerk waited.
double timed(int runs, const std::function<void()> &prepare, const std::function<void()> &work,
             const char *name = nullptr)
{
    std::vector<double> times, cpu;
    for (int run = 0; run < runs; ++run) {
        prepare();
        QElapsedTimer clock;
        clock.start();
        const double cpuStart = cpuMs();
        work();
        QApplication::processEvents();
        times.push_back(ms(clock));
        cpu.push_back(cpuMs() - cpuStart);
    }
    if (name)
        std::fprintf(stderr, "%-12s wall %9.3f ms  cpu %9.3f ms (medians of %d)\n", name, median(times),
                     median(cpu), runs);
    return median(times);
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

int main(int argc, char *argv[])
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
    QApplication::processEvents();
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

    const double import = !wanted("import") ? 0
                                            : timed(
                                                  7, empty, [&] { window.B1Click(); }, "import");
    const double reload = !wanted("reload") ? 0
                                            : timed(
                                                  7, empty, [&] { window.B2Click(); }, "reload");
    if (grid.Fila() != Large + 1)
        std::fprintf(stderr, "the reload left %d rows\n", grid.Fila() - 1);
    const long loaded = residentKb();

    int next = 0;
    if (!wanted("reload"))
        window.B2Click();
    const double adiciona = !wanted("adiciona")
                                ? 0
                                : timed(
                                      21,
                                      [&] {
                                          window.E_Comprobante->setText(
                                              QString::number(1000000 + (++next % 2 ? 7 : Large + next)));
                                          window.E_FECha->setText(QStringLiteral("15032017"));
                                          window.E_Importe->setText(QStringLiteral("62"));
                                          window.Impo_compro->setText(QStringLiteral("12400.00"));
                                          window.E_CuitReten->setText(QStringLiteral("20123456789"));
                                          window.empresa->setText(QStringLiteral("OTRO"));
                                      },
                                      [&] {
                                          window.E_ComprobanteExit();
                                          window.B_adicionaClick();
                                      },
                                      "adiciona");

    const auto generate = [&](int rows) {
        return timed(
            rows > 1000 ? 5 : 11,
            [&] {
                grid.reset();
                grid.appendAll(supplierRows(rows));
                writeHeader();
            },
            [&] { window.B_ConfirmaClick(); }, rows > 1000 ? "confirm" : "confirm500");
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
    int step = 0;
    const double scroll = timed(
        21, [] {},
        [&] {
            bar->setValue((++step * 7919) % bar->maximum());
            view->viewport()->repaint();
        });
    const double select = timed(
        21, [] {},
        [&] {
            view->setCurrentIndex(grid.index((++step * 7919) % GridModel::LastRow, 1));
            view->viewport()->repaint();
        });
    int deleted = GridModel::LastRow;
    const double deletion = timed(
        21, [&] { view->setCurrentIndex(grid.index(GridModel::viewRow(deleted), 1)); },
        [&] {
            window.GrillaDblClick();
            view->viewport()->repaint();
            --deleted;
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
    return dialogs.informations > 0 ? 0 : 0;
}

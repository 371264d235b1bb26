// CONFIRMA end to end on an embedded database, without the dialogs: empty RETEN, 500 records
// written and inserted, commit, the 12-page listing exported to PDF. Ten runs, each phase
// timed, medians reported. With --startup it also times start-up with the database in 10
// fresh processes (to the first paint of the main window). It never fails a build.
#include "app/screen_fonts.h"
#include "app/tf_retenciones.h"
#include "bench/bench_support.h"
#include "common/dialogs.h"
#include "common/text_file.h"
#include "declaration/declaration_generation.h"
#include "declaration/report_layout.h"
#include "declaration/reten_store.h"
#include "withholdings/grid_model.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {
int startupChild(int argc, char *argv[], const QString &database)
{
    QElapsedTimer clock;
    clock.start();
    QApplication application(argc, argv);
    LoadScreenFonts();
    YesDialogs dialogs;
    RetenStore store(database);
    store.connect();
    TF_Retenciones window(dialogs, store, QDir::tempPath() + QLatin1Char('/'));
    const double made = ms(clock);
    window.show();
    const QDeadlineTimer deadline(10000);
    bool painted = false;
    while (!painted && !deadline.hasExpired()) {
        application.processEvents(QEventLoop::AllEvents, 50);
        painted = window.isVisible() && !window.visibleRegion().isEmpty();
    }
    application.processEvents();
    std::printf("%.3f %.3f\n", ms(clock), made);
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0)
        return startupChild(argc, argv, QString::fromLocal8Bit(argv[2]));

    QGuiApplication application(argc, argv); // QImage and the fonts need no window
    QTemporaryDir folder;
    const QString database = freshDatabase(folder.filePath(QStringLiteral("RETENCIONES.FDB")));
    QDir::setCurrent(folder.path());

    GridModel grid;
    for (int i = 1; i <= 500; ++i)
        grid.append({QString::number(1000 + i), QStringLiteral("15/03/2017"), QStringLiteral("12400.00"),
                     QStringLiteral("62"), QStringLiteral("PROVEEDOR ÑANDÚ S.A. %1").arg(i),
                     QStringLiteral("20-12345678-9")});
    const DeclarationHeader header{QStringLiteral("415"), QStringLiteral("3"), QStringLiteral("2017"),
                                   QStringLiteral("30-70000001-2"), QStringLiteral("AGENTE DE PRUEBA SRL")};

    QElapsedTimer clock;
    clock.start();
    RetenStore store(database);
    store.connect();
    std::printf("attach and start the transaction: %.1f ms\n", ms(clock));
    ReportDefinition report =
        ListingReport(QImage(232, 107, QImage::Format_RGB32), QImage(213, 107, QImage::Format_RGB32));
    YesDialogs dialogs;
    TextFile F;
    std::vector<double> whole, clear, fileAndInserts, commit, pdf;
    for (int run = 0; run < 11; ++run) {
        DeclarationGeneration generation(store, report, F, dialogs);
        clock.restart();
        const auto result = generation.run(header, grid, folder.path() + QLatin1Char('/'));
        const double total = ms(clock);
        // The declaration's 500 records, its recorded rows and a whole listing of them.
        QFile declaration(folder.filePath(
            declarationFileName(declarationBaseName(header.year, header.month, header.legajo))));
        if (!result || result->report.pages != 12 || result->report.rowsPlaced != 500 ||
            result->filed.rows != 500 || !declaration.open(QIODevice::ReadOnly) ||
            declaration.readAll().count('\n') != 500) {
            std::fprintf(stderr, "generation_bench: the generation gave a wrong answer\n");
            return 1;
        }
        if (run > 0) // the first run warms the page cache and the statement cache
            whole.push_back(total);

        // The phases on their own, with the same statements.
        clock.restart();
        store.clear();
        clear.push_back(ms(clock));
        clock.restart();
        for (int i = 1; i <= 500; ++i)
            store.insert({QString::number(i), QStringLiteral("15/03/2017"), 62, QStringLiteral("PROVEEDOR"),
                          QStringLiteral("20-12345678-9"), QStringLiteral("3/2017")});
        fileAndInserts.push_back(ms(clock));
        clock.restart();
        store.commit();
        commit.push_back(ms(clock));
        RetenRowSource rows = store.insertedRows();
        clock.restart();
        const ReportRun listed =
            exportReportToPdf(report, rows, folder.filePath(QStringLiteral("phase.pdf")));
        pdf.push_back(ms(clock));
        store.finish();
        if (listed.rowsPlaced != 500 || listed.pages != 12) {
            std::fprintf(stderr, "generation_bench: the phases' listing holds %d rows, not 500\n",
                         listed.rowsPlaced);
            return 1;
        }
    }
    std::printf("CONFIRMA, 500 rows, 12 pages: median %.1f ms (min %.1f, max %.1f) over %zu runs\n",
                median(whole), *std::min_element(whole.begin(), whole.end()),
                *std::max_element(whole.begin(), whole.end()), whole.size());
    std::printf(
        "  clear %.1f ms, 500 inserts %.1f ms, commit %.1f ms, PDF export of the inserted rows %.1f ms\n",
        median(clear), median(fileAndInserts), median(commit), median(pdf));

    if (argc == 2 && std::strcmp(argv[1], "--startup") == 0) {
        std::vector<double> shown, made;
        for (int i = 0; i < 10; ++i) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), database});
            child.waitForFinished(30000);
            const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
            if (child.exitCode() != 0 || figures.size() != 2 || figures[0].toDouble() <= 0) {
                std::fprintf(stderr, "generation_bench: a start-up never painted its window\n");
                return 1;
            }
            shown.push_back(figures[0].toDouble());
            made.push_back(figures[1].toDouble());
        }
        if (!shown.empty())
            std::printf("start-up with the database: window made %.1f ms, shown and painted %.1f ms (medians "
                        "of %zu)\n",
                        median(made), median(shown), shown.size());
    }
    return 0;
}

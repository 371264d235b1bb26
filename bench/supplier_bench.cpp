// The supplier register: a look-up by CUIT and a completion list among 100,000 suppliers (median
// of 101 calls each), what an import of 50,000 lines spends teaching the register, and what
// learning adds to CONFIRMA at 500 and at 50,000 rows (medians of several runs with the register
// table against a database without it). It never fails a build, but stops with an error when a
// completion differs from the plain search's, or when the register counts a month's withholdings
// other than once.
#include "bench/bench_support.h"

#include "common/dialogs.h"
#include "common/text_file.h"
#include "db/query.h"
#include "declaration/declaration_generation.h"
#include "declaration/report_layout.h"
#include "declaration/reten_store.h"
#include "declaration/supplier_sync.h"
#include "tests/support/linear_completion.h"
#include "withholdings/grid_model.h"
#include "withholdings/supplier_register.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {
QString cuit(int i)
{
    return QStringLiteral("20-%1-6").arg(i, 8, 10, QLatin1Char('0'));
}

const char *const Words[] = {"FERRETERÍA", "PANADERÍA", "CORRALÓN", "DISTRIBUIDORA",
                             "TRANSPORTE", "ÑANDÚ",     "DEL SUR",  "NORTE",
                             "HERMANOS",   "COMERCIAL", "AGRO",     "SERVICIOS"};

const char *const Typed[] = {"FERR", "ÑANDÚ HER", "SUR", "A", "12345", "ZZZ", "ma", "hermanos del"};

QString name(int i)
{
    return QString::fromUtf8(Words[i % 12]) + QLatin1Char(' ') + QString::fromUtf8(Words[(i / 12) % 12]) +
           QStringLiteral(" %1 S.R.L.").arg(i);
}

template <typename F> double medianOf(int runs, F &&f)
{
    std::vector<double> times;
    QElapsedTimer clock;
    for (int i = 0; i < runs; ++i) {
        clock.restart();
        f(i);
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    return median(times);
}

void fill(GridModel &grid, int count, int suppliers)
{
    for (int i = 1; i <= count; ++i)
        grid.append({QString::number(1000 + i), QStringLiteral("15/03/2017"), QStringLiteral("12400.00"),
                     QStringLiteral("62"), name(i % suppliers), cuit(i % suppliers)});
}

// Median time of a whole generation of the grid on the database.
double generation(const QString &database, const QString &folder, const GridModel &grid, int runs)
{
    const DeclarationHeader header{QStringLiteral("415"), QStringLiteral("3"), QStringLiteral("2017"),
                                   QStringLiteral("30-70000001-2"), QStringLiteral("AGENTE DE PRUEBA SRL")};
    RetenStore store(database);
    store.connect();
    QImage left(232, 107, QImage::Format_RGB32), right(213, 107, QImage::Format_RGB32);
    left.fill(Qt::white);
    right.fill(Qt::white);
    ReportDefinition report = ListingReport(left, right);
    YesDialogs dialogs;
    TextFile f;
    DeclarationGeneration(store, report, f, dialogs).run(header, grid, folder + QLatin1Char('/')); // warm-up
    return medianOf(runs, [&](int) {
        DeclarationGeneration(store, report, f, dialogs).run(header, grid, folder + QLatin1Char('/'));
    });
}
// The withholdings the register has counted, over all its suppliers.
int countedWithholdings(const QString &database)
{
    Connection connection(database, RetenStore::UserName, RetenStore::Password);
    Transaction transaction(connection);
    Query q(transaction);
    q.setSql(QStringLiteral("select coalesce(sum(CANTIDAD), 0) from SUJETO"));
    q.open();
    return q.next() ? int(q.number(0)) : -1;
}
} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);

    SupplierRegister suppliers;
    LinearCompletion reference;
    for (int i = 0; i < 100000; ++i) {
        suppliers.learn(cuit(i), name(i));
        reference.learn(cuit(i), name(i));
    }
    // A fast wrong answer is worth nothing: every text timed, and pieces of many names, must give
    // what the plain search gives before anything is timed.
    QStringList checked;
    for (const char *typed : Typed)
        checked << QString::fromUtf8(typed);
    for (int i = 0; i < 100; ++i) {
        const QString n = name(i * 7919 % 100000);
        checked << n.left(1 + i % 9) << n.mid(i % 11, 2 + i % 5) << n.toLower() << n.mid(i % 7).toLower();
    }
    for (const QString &typed : checked) {
        const QList<Supplier> expected = reference.complete(typed, 1 << 30);
        for (const int limit : {12, 1 << 30})
            if (!sameSuppliers(suppliers.complete(typed, limit), expected.mid(0, limit))) {
                std::fprintf(stderr,
                             "WRONG: the completion for \"%s\" (at most %d) differs from the plain search\n",
                             qPrintable(typed), limit);
                return 1;
            }
    }
    std::printf("register of 100,000 suppliers, %d completions equal to the plain search's\n",
                int(checked.size()) * 2);
    std::printf("register of 100,000 suppliers, median of 101 calls:\n");
    std::printf("  name by CUIT: %.4f ms\n",
                medianOf(101, [&](int i) { suppliers.nameOf(cuit(i * 997 % 100000)); }));
    for (const char *typed : Typed)
        std::printf("  completion list for \"%s\": %.3f ms\n", typed,
                    medianOf(101, [&](int) { suppliers.complete(QString::fromUtf8(typed)); }));

    // What an import of 50,000 lines adds: the register learns at once, the table later.
    GridModel imported;
    fill(imported, 50000, 5000);
    const QList<Withholding> importedRows = imported.withholdings();
    RetenStore none(QStringLiteral("/nonexistent/RETENCIONES.FDB"));
    int taught = 0;
    const double teaching = medianOf(7, [&](int) {
        SupplierRegister fresh;
        SupplierSync(none, fresh).teach(importedRows, 2017, 3);
        taught = fresh.size();
    });
    if (taught != 5000) {
        std::fprintf(stderr, "WRONG: the import taught the register %d suppliers of 5,000\n", taught);
        return 1;
    }
    std::printf("teaching the register an import of 50,000 lines (5,000 suppliers): %.1f ms\n", teaching);

    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    const QString with = freshDatabase(folder.filePath(QStringLiteral("WITH.FDB")));
    const QString without = freshDatabase(folder.filePath(QStringLiteral("WITHOUT.FDB")));
    {
        Connection connection(without, RetenStore::UserName, RetenStore::Password);
        Transaction transaction(connection);
        transaction.executeImmediate(QStringLiteral("drop table SUJETO"));
        transaction.commit();
    }
    const struct {
        int rows, suppliers, runs;
    } sizes[] = {{500, 100, 11}, {50000, 5000, 3}, {50000, 50000, 3}};
    for (const auto &size : sizes) {
        GridModel grid;
        fill(grid, size.rows, size.suppliers);
        const double plain = generation(without, folder.path(), grid, size.runs);
        const double learning = generation(with, folder.path(), grid, size.runs);
        // Every run declared the same month again: each withholding counts once.
        const int counted = countedWithholdings(with);
        if (counted != size.rows) {
            std::fprintf(stderr, "WRONG: the register counts %d withholdings for a month of %d\n", counted,
                         size.rows);
            return 1;
        }
        std::printf(
            "CONFIRMA, %d rows of %d suppliers: %.1f ms without the register, %.1f ms learning (%+.1f %%)\n",
            size.rows, size.suppliers, plain, learning, 100 * (learning - plain) / plain);
    }
    return 0;
}

// One real generation of 500 rows in a process of its own, for the kill and signal tests:
//   generation_child generate DATABASE WORK_FOLDER PROGRAM_FOLDER TAG [killed-after-commit]
//   generation_child start DATABASE WORK_FOLDER PROGRAM_FOLDER
//   generation_child reten DATABASE
// "generate" makes the declaration of March 2017, legajo 415, in WORK_FOLDER, with rows whose
// texts carry TAG, the way the program does: the store attaches first, the signal handling
// comes after it, and the generation runs from the event loop with the progress window as its
// monitor. It prints "yes <ns>" when the clerk's Yes is given and "done <ns>" once the listing
// is written (monotonic clock), then "signal <n>" if a signal asked it to quit; with
// "killed-after-commit" it kills itself between the commit and the rename. "start" does what the
// program does at its start in WORK_FOLDER, and prints "told <message>" for what the clerk is
// told. "reten" prints RETEN's committed rows, one a line, in JID order.
#include "app/progress_window.h"
#include "app/quit_on_signal.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/text_file.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "declaration/declaration_generation.h"
#include "declaration/interrupted_declarations.h"
#include "declaration/report_layout.h"
#include "declaration/reten_store.h"
#include "withholdings/grid_model.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <exception>

namespace {
long long now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

class YesDialogs : public Dialogs {
public:
    void ShowInformation(const QString &message) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
    bool AskConfirmation(const QString &) override
    {
        std::printf("yes %lld\n", now());
        std::fflush(stdout);
        return true;
    }
    void ShowError(const QString &, const QString &text) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    std::optional<QString> ChooseFileToOpen() override { return std::nullopt; }
};

int printReten(const QString &database)
{
    Connection connection(database, RetenStore::UserName, RetenStore::Password);
    Transaction transaction(connection);
    Query q(transaction);
    q.setSql(QStringLiteral("select nrocom, fecha, importe, razon, cuit, periodo from reten order by jid"));
    q.open();
    while (q.next()) {
        std::printf("%s|%s|%s|%s|%s|%s\n", qPrintable(q.text(0).trimmed()), qPrintable(q.text(1).trimmed()),
                    qPrintable(QString::number(q.number(2))), qPrintable(q.text(3).trimmed()),
                    qPrintable(q.text(4).trimmed()), qPrintable(q.text(5).trimmed()));
    }
    return 0;
}

int start(const QString &database, const QString &work, const QString &program)
{
    if (!QDir::setCurrent(work))
        return 3;
    RetenStore store(database);
    store.connect();
    class Told : public YesDialogs {
    public:
        void ShowInformation(const QString &message) override
        {
            std::printf("told %s\n",
                        QString(message).replace(QLatin1Char('\n'), QLatin1Char(' ')).toUtf8().constData());
        }
    } dialogs;
    recoverAtStart(store, dialogs, program + QLatin1Char('/'));
    std::fflush(stdout);
    return 0;
}

int generate(const QString &database, const QString &work, const QString &program, const QString &tag,
             bool killedAfterCommit)
{
    if (killedAfterCommit)
        DeclarationGeneration::faultAfterCommit = [] { ::raise(SIGKILL); };
    if (!QDir::setCurrent(work))
        return 3;
    RetenStore store(database);
    store.connect();
    QuitOnSignal quitOnSignal;

    // A declaration of 500 rows, the size the soak's checks expect.
    GridModel grid;
    for (int i = 1; i <= 500; ++i) {
        const QString receipt = QString::number(i);
        grid.append({receipt, QStringLiteral("15/03/2017"), QStringLiteral("12400.00"), QStringLiteral("62"),
                     QStringLiteral("PROVEEDOR %1 %2").arg(tag).arg(i), QStringLiteral("20-12345678-9")});
    }
    const DeclarationHeader header{QStringLiteral("415"), QStringLiteral("3"), QStringLiteral("2017"),
                                   QStringLiteral("30-70000001-2"), QStringLiteral("AGENTE %1").arg(tag)};
    // Logos of one colour: a new image's pixels are whatever its memory held, and the soak
    // compares the listings byte for byte.
    QImage left(232, 107, QImage::Format_RGB32), right(213, 107, QImage::Format_RGB32);
    left.fill(Qt::white);
    right.fill(Qt::white);
    ReportDefinition report = ListingReport(left, right);
    YesDialogs dialogs;
    TextFile f;
    ProgressWindow progress;
    int status = 0;
    QTimer::singleShot(0, [&] {
        try {
            DeclarationGeneration generation(store, report, f, dialogs);
            generation.run(header, grid, program + QLatin1Char('/'), &progress);
            std::printf("done %lld\n", now());
        } catch (const std::exception &e) {
            std::fprintf(stderr, "generation failed: %s\n", e.what());
            status = 1;
        }
        std::fflush(stdout);
        QCoreApplication::exit(status);
    });
    const int result = QApplication::exec();
    if (quitOnSignal.received() != 0)
        std::printf("signal %d\n", quitOnSignal.received());
    return result;
}

// The offscreen platform's notices about window features it lacks are no news here.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}
} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(quietMessages);
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if ((args.size() == 6 || args.size() == 7) && args[1] == QLatin1String("generate"))
        return generate(args[2], args[3], args[4], args[5],
                        args.size() == 7 && args[6] == QLatin1String("killed-after-commit"));
    if (args.size() == 5 && args[1] == QLatin1String("start"))
        return start(args[2], args[3], args[4]);
    if (args.size() == 3 && args[1] == QLatin1String("reten"))
        return printReten(args[2]);
    std::fprintf(stderr, "usage: generation_child generate DATABASE WORK PROGRAM TAG [killed-after-commit] | "
                         "start DATABASE WORK PROGRAM | reten DATABASE\n");
    return 2;
}

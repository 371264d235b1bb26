#include "app/qt_dialogs.h"
#include "app/quit_on_signal.h"
#include "declaration/reten_store.h"
#include "tests/app/app_test_support.h"
#include "tests/soak/exec_program.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

namespace {
long long nowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
}

pid_t spawn(const QStringList &args, const QStringList &environment = {})
{
    const pid_t pid = fork();
    if (pid == 0) {
        for (const QString &assignment : environment)
            putenv(strdup(QFile::encodeName(assignment).constData()));
        execProgram(args);
    }
    return pid;
}

// The exit status, or -1 if the process is still running after the time given.
int waitFor(pid_t pid, int ms)
{
    const long long until = nowMs() + ms;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return status;
        if (nowMs() > until)
            return -1;
        usleep(5000);
    }
}

// Whether the process catches the signal, as the kernel reports it.
bool catches(pid_t pid, int signal)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
    }
    return false;
}

// The real program, on its own database, told to stop the way a terminal, kill and the end of
// a desktop session do. The database engine has put its handlers on SIGINT and SIGTERM by the
// time the window shows; the program must still close and exit with 0 within a second.
class ProgramSignal : public testing::TestWithParam<int> {};

TEST_P(ProgramSignal, EndsTheProgramWithStatusZeroWithinASecond)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString database = home.filePath(QStringLiteral("Retenciones/RETENCIONES.FDB"));
    ASSERT_TRUE(QDir().mkpath(home.filePath(QStringLiteral("Retenciones"))));
    const pid_t create =
        spawn({QStringLiteral(RETENCIONES_CREATE_DATABASE), database, QStringLiteral(RETENCIONES_SQL)});
    ASSERT_EQ(waitFor(create, 60000), 0);

    const pid_t program =
        spawn({QStringLiteral(RETENCIONES_PROGRAM)},
              {QStringLiteral("HOME=") + home.path(), QStringLiteral("RETENCIONES_DATABASE=") + database,
               QStringLiteral("QT_QPA_PLATFORM=offscreen")});
    // SIGHUP is caught by nothing but the program's own handling, which comes last at start-up.
    const long long until = nowMs() + 60000;
    while (!catches(program, SIGHUP) && nowMs() < until)
        usleep(10000);
    ASSERT_TRUE(catches(program, SIGHUP));
    ASSERT_EQ(waitFor(program, 300), -1) << "the program ended by itself";

    ASSERT_EQ(kill(program, GetParam()), 0);
    const int status = waitFor(program, 1000);
    if (status == -1) {
        kill(program, SIGKILL);
        waitFor(program, 5000);
        FAIL() << "still running a second after signal " << GetParam();
    }
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramSignal, testing::Values(SIGINT, SIGTERM, SIGHUP));

// A signal that comes while the question is open closes it unanswered, which is No, and the
// application's loop ends once the handler that asked returns.
TEST(QuitOnSignal, AQuestionOpenWhenTheSignalComesIsAnsweredNo)
{
    ensureQtApplication();
    QuitOnSignal quitOnSignal;
    bool answer = true;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(50, [] { raise(SIGTERM); });
        QtDialogs dialogs;
        answer = dialogs.AskConfirmation(QStringLiteral("Confirma Generar Archivo con Caracter de DDJJ ?"));
    });
    // Were the signal lost, the question would wait for an answer and the loop would not end.
    QTimer::singleShot(10000, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(answer);
    EXPECT_EQ(quitOnSignal.received(), SIGTERM);
}

// The engine puts its handlers on SIGINT and SIGTERM at its first attach, which comes after
// start-up when the database was missing then; the program takes the signals back before its
// loop next waits.
TEST(QuitOnSignal, TakesTheSignalsBackFromAnEngineThatAttachesLater)
{
    ensureQtApplication();
    QTemporaryDir folder;
    const QString database = folder.filePath(QStringLiteral("RETENCIONES.FDB"));
    QuitOnSignal quitOnSignal;
    struct sigaction ours[3];
    for (int i = 0; i < 3; ++i)
        sigaction(QuitOnSignal::Signals[i], nullptr, &ours[i]);

    RetenStore store(database);
    const pid_t create =
        spawn({QStringLiteral(RETENCIONES_CREATE_DATABASE), database, QStringLiteral(RETENCIONES_SQL)});
    ASSERT_EQ(waitFor(create, 60000), 0);
    ASSERT_TRUE(store.connect());
    struct sigaction engine = {};
    sigaction(SIGINT, nullptr, &engine);
    EXPECT_NE(engine.sa_handler, ours[0].sa_handler) << "the engine no longer takes SIGINT at attach";

    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
    for (int i = 0; i < 3; ++i) {
        struct sigaction now = {};
        sigaction(QuitOnSignal::Signals[i], nullptr, &now);
        EXPECT_EQ(now.sa_handler, ours[i].sa_handler) << QuitOnSignal::Signals[i];
    }
}

// The handlers are the program's only while it runs: they go with the object.
TEST(QuitOnSignal, PutsTheEarlierHandlersBack)
{
    ensureQtApplication();
    struct sigaction before = {};
    sigaction(SIGHUP, nullptr, &before);
    {
        QuitOnSignal quitOnSignal;
        struct sigaction during = {};
        sigaction(SIGHUP, nullptr, &during);
        EXPECT_NE(during.sa_handler, before.sa_handler);
    }
    struct sigaction after = {};
    sigaction(SIGHUP, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}
} // namespace

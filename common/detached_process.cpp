#include "common/detached_process.h"

#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#else
#include <QProcess>
#endif

#ifdef Q_OS_UNIX
namespace {
// Every descriptor from `from` up to `to` closed; only calls that are safe after fork().
void closeRange(int from, unsigned to, long highest)
{
    if (from < 0 || unsigned(from) > to)
        return;
    if (::close_range(unsigned(from), to, 0) == 0)
        return;
    for (long fd = from; fd <= highest && (unsigned long)fd <= to; ++fd)
        ::close(int(fd));
}
} // namespace
#endif

bool startDetached(const QString &program, const QStringList &arguments)
{
#ifdef Q_OS_UNIX
    const QString path =
        program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return false;
    // Everything the child needs is made before the fork: after it only async-signal-safe calls.
    std::vector<QByteArray> texts{QFile::encodeName(path)};
    for (const QString &argument : arguments)
        texts.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    const long highest = std::max(::sysconf(_SC_OPEN_MAX), 1024L);

    // The grandchild writes on this pipe only when exec fails; a successful exec closes it.
    int status[2];
    if (::pipe2(status, O_CLOEXEC) != 0)
        return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(status[0]);
        ::close(status[1]);
        return false;
    }
    if (child == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0)
            ::_exit(grandchild < 0 ? 1 : 0);
        ::close(status[0]);
        if (status[1] > 3)
            closeRange(3, unsigned(status[1] - 1), highest);
        closeRange(status[1] + 1, ~0U, highest);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        ::execv(argv[0], argv.data());
        const int error = errno;
        [[maybe_unused]] const ssize_t written = ::write(status[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(status[1]);
    int waited = 0;
    while (::waitpid(child, &waited, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t n;
    do {
        n = ::read(status[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::close(status[0]);
    return WIFEXITED(waited) && WEXITSTATUS(waited) == 0 && n == 0;
#else
    return QProcess::startDetached(program, arguments);
#endif
}

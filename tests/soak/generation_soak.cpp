// Kills a real 500-row generation at moments spread from the clerk's Yes to the listing
// written, and checks after each kill what a clerk would find:
//   generation_soak [--kills N] [--terms N]
// Each round first runs a whole generation of the earlier declaration (A) and checks it came
// out exactly, which also shows that what the last kill left behind does not stop the next
// generation. Then a generation of the new one (B) starts and is killed with SIGKILL; the
// declaration file must be A or B byte for byte, RETEN must open and hold no rows or B's rows,
// whole, and the listing must be A's or B's. Then the program starts again there: no temporary
// file may be left in the clerk's folders, and the declaration file must be B when RETEN holds
// B (a kill between the commit and the rename is recovered), A otherwise. With --terms, SIGTERM
// instead: the process must exit with status 0 and leave B complete or A untouched. A last round
// kills B right after its commit, at a fault point, every time. Prints every combination seen.
#include "tests/soak/exec_program.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
const QString FileName = QStringLiteral("17300415.txt");
const QString PdfName = QStringLiteral("17300415.pdf");

long long now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

void sleepFor(long long ns)
{
    if (ns <= 0)
        return;
    timespec t{static_cast<time_t>(ns / 1000000000LL), static_cast<long>(ns % 1000000000LL)};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

int failures = 0;
void fail(const QString &what)
{
    std::fprintf(stderr, "FAIL: %s\n", qPrintable(what));
    ++failures;
}

// A child process with its standard output read line by line.
class Child {
public:
    explicit Child(const QStringList &args)
    {
        int out[2];
        if (pipe(out) != 0)
            std::abort();
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
            execProgram(args);
        }
        close(out[1]);
        fd_ = out[0];
    }
    ~Child()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    pid_t pid() const { return pid_; }

    // The next line, or an empty text at the end of the output or after the timeout.
    QByteArray line(int timeoutMs = 60000)
    {
        for (;;) {
            const qsizetype end = buffer_.indexOf('\n');
            if (end >= 0) {
                const QByteArray l = buffer_.left(end);
                buffer_.remove(0, end + 1);
                return l;
            }
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, timeoutMs) <= 0)
                return {};
            char chunk[4096];
            const ssize_t n = read(fd_, chunk, sizeof chunk);
            if (n <= 0)
                return {};
            buffer_.append(chunk, n);
        }
    }
    // Waits for the exit; the rest of the output is kept in rest().
    int wait()
    {
        QByteArray l;
        while (!(l = line()).isEmpty())
            rest_ << QString::fromUtf8(l);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        return status;
    }
    const QStringList &rest() const { return rest_; }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    QByteArray buffer_;
    QStringList rest_;
};

// The programs and the script it runs, where the build put them unless RETENCIONES_SOAK_<WHAT>
// names a copy (a test that runs the soak as another user gives it copies he can reach).
QString program(const char *what, const char *built)
{
    const QString given = qEnvironmentVariable((QByteArray("RETENCIONES_SOAK_") + what).constData());
    return given.isEmpty() ? QString::fromLocal8Bit(built) : given;
}

long long field(const QByteArray &line, const char *word)
{
    return line.startsWith(QByteArray(word) + ' ') ? line.mid(qstrlen(word) + 1).toLongLong() : -1;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct State {
    QByteArray file;
    bool fileExists = false;
    bool temporaryLeft = false;
    QStringList reten;
    bool retenOpened = false;
    QByteArray pdf;
    QStringList programFolderRest; // anything but the listing in the program folder
};

class Soak {
public:
    Soak()
    {
        database_ = dir_.filePath(QStringLiteral("RETENCIONES.FDB"));
        work_ = dir_.filePath(QStringLiteral("work"));
        program_ = dir_.filePath(QStringLiteral("program"));
        QDir().mkpath(work_);
        QDir().mkpath(program_);
        Child create({program("CREATE_DATABASE", RETENCIONES_CREATE_DATABASE), database_,
                      program("SQL", RETENCIONES_SQL)});
        if (create.wait() != 0)
            fail(QStringLiteral("the database cannot be created"));
    }

    State state()
    {
        State s;
        s.fileExists = QFile::exists(work_ + QLatin1Char('/') + FileName);
        s.file = readAll(work_ + QLatin1Char('/') + FileName);
        s.temporaryLeft =
            !QDir(work_).entryList({FileName + QStringLiteral(".*.tmp")}, QDir::Files).isEmpty();
        Child reten({program("CHILD", RETENCIONES_CHILD), QStringLiteral("reten"), database_});
        const int status = reten.wait();
        s.retenOpened = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        s.reten = reten.rest();
        s.pdf = readAll(program_ + QLatin1Char('/') + PdfName);
        s.programFolderRest = QDir(program_).entryList(QDir::Files | QDir::NoDotAndDotDot);
        s.programFolderRest.removeAll(PdfName);
        return s;
    }

    Child *start(const char *tag, bool killedAfterCommit = false)
    {
        QStringList args{program("CHILD", RETENCIONES_CHILD),
                         QStringLiteral("generate"),
                         database_,
                         work_,
                         program_,
                         QString::fromLatin1(tag)};
        if (killedAfterCommit)
            args << QStringLiteral("killed-after-commit");
        return new Child(args);
    }

    // The program's start in the work folder: what the clerk was told, and the temporary files
    // left in his folders afterwards.
    QStringList restart(QStringList *left)
    {
        Child child(
            {program("CHILD", RETENCIONES_CHILD), QStringLiteral("start"), database_, work_, program_});
        const int status = child.wait();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            fail(QStringLiteral("the start failed: %1").arg(status));
        left->clear();
        for (const QString &folder : {work_, program_, work_ + QStringLiteral("/anteriores")})
            for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
                if (name.endsWith(QLatin1String(".tmp")) || name.endsWith(QLatin1String(".part")))
                    *left << name;
        QStringList told;
        for (const QString &line : child.rest())
            if (line.startsWith(QLatin1String("told ")))
                told << line.mid(5);
        return told;
    }

    // A generation left to finish; its Yes-to-listing time in ns, or -1 when it failed.
    long long complete(const char *tag)
    {
        std::unique_ptr<Child> child(start(tag));
        const long long yes = field(child->line(), "yes");
        const long long done = field(child->line(), "done");
        const int status = child->wait();
        if (yes < 0 || done < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            fail(QStringLiteral("generation %1 did not complete").arg(QLatin1String(tag)));
            return -1;
        }
        return done - yes;
    }

    // Kept copies of earlier declarations that are neither of the two whole: a kill must never
    // leave a part of one.
    QStringList oddKept(const State &a, const State &b) const
    {
        QStringList odd;
        const QDir kept(work_ + QStringLiteral("/anteriores"));
        for (const QString &name : kept.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            const QByteArray bytes = readAll(kept.filePath(name));
            const bool whole = name.endsWith(QLatin1String(".pdf")) ? bytes == a.pdf || bytes == b.pdf
                                                                    : bytes == a.file || bytes == b.file;
            if (!whole)
                odd << name;
        }
        return odd;
    }

    QString dir() const { return dir_.path(); }

    QTemporaryDir dir_;
    QString database_, work_, program_;
};

QString name(const QByteArray &bytes, const QByteArray &a, const QByteArray &b, bool exists = true)
{
    if (!exists)
        return QStringLiteral("none");
    if (bytes == a)
        return QStringLiteral("A");
    if (bytes == b)
        return QStringLiteral("B");
    return QStringLiteral("OTHER");
}
QString name(const QStringList &rows, const QStringList &a, const QStringList &b)
{
    if (rows.isEmpty())
        return QStringLiteral("empty");
    if (rows == a)
        return QStringLiteral("A");
    if (rows == b)
        return QStringLiteral("B");
    return QStringLiteral("OTHER(%1 rows)").arg(rows.size());
}
} // namespace

int main(int argc, char *argv[])
{
    int kills = 200, terms = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (qstrcmp(argv[i], "--kills") == 0)
            kills = std::atoi(argv[i + 1]);
        else if (qstrcmp(argv[i], "--terms") == 0)
            terms = std::atoi(argv[i + 1]);
    }
    const long long started = now();
    Soak soak;

    // The two declarations and how long a generation takes here and now.
    long long total = soak.complete("A");
    const State a = soak.state();
    total += soak.complete("B");
    const State b = soak.state();
    if (failures || a.file == b.file || a.reten == b.reten || a.reten.size() != 500 ||
        a.file.size() != 500 * 198) {
        fail(QStringLiteral("the two declarations are not what the soak needs"));
        return 1;
    }
    // The listing carries no date, so each declaration has one listing, byte for byte.
    int clean = 2;

    QMap<QString, int> seen;
    long long latest = 0;
    auto round = [&](int k, int count, int signal) {
        // The earlier declaration, written over whatever the last round left.
        const long long took = soak.complete("A");
        if (took > 0)
            total += took, ++clean;
        const State before = soak.state();
        if (before.file != a.file || before.reten != a.reten || before.pdf != a.pdf || before.temporaryLeft)
            fail(QStringLiteral(
                     "round %1: the clean generation did not give the earlier declaration: file %2, "
                     "RETEN %3, listing %4%5")
                     .arg(k)
                     .arg(name(before.file, a.file, b.file, before.fileExists),
                          name(before.reten, a.reten, b.reten), name(before.pdf, a.pdf, b.pdf),
                          before.temporaryLeft ? QStringLiteral(", .tmp left") : QString()));

        // Spread over the time the generation just took: the disk's speed comes and goes, and
        // an average over the whole soak would put most kills after a fast generation's end.
        const long long span = (took > 0 ? took : total / clean) * 11 / 10;
        const long long delay = span * (2 * k + 1) / (2 * count);
        std::unique_ptr<Child> child(soak.start("B"));
        const long long yes = field(child->line(), "yes");
        if (yes < 0) {
            fail(QStringLiteral("round %1: no Yes").arg(k));
            return;
        }
        sleepFor(yes + delay - now());
        const long long sent = now();
        kill(child->pid(), signal);
        const int status = child->wait();
        const long long ended = now();
        const bool done = std::any_of(child->rest().begin(), child->rest().end(),
                                      [](const QString &l) { return l.startsWith(QLatin1String("done")); });

        const State after = soak.state();
        const QString file = name(after.file, a.file, b.file, after.fileExists);
        const QString reten =
            after.retenOpened ? name(after.reten, a.reten, b.reten) : QStringLiteral("NO-OPEN");
        const QString pdf = name(after.pdf, a.pdf, b.pdf);
        QString combination = QStringLiteral("file %1, RETEN %2, listing %3").arg(file, reten, pdf);
        if (after.temporaryLeft)
            combination += QStringLiteral(", .tmp left");
        if (!after.programFolderRest.isEmpty())
            combination +=
                QStringLiteral(", program folder also holds %1").arg(after.programFolderRest.size());
        if (done)
            combination += QStringLiteral(" (had finished)");
        const QStringList odd = soak.oddKept(a, b);
        if (!odd.isEmpty())
            fail(QStringLiteral("round %1: kept copies that are no whole declaration: %2")
                     .arg(k)
                     .arg(odd.join(QStringLiteral(", "))));
        if (signal == SIGTERM) {
            const bool exited0 = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            combination = QStringLiteral("SIGTERM: ") + combination +
                          (exited0 ? QStringLiteral(", exit 0") : QStringLiteral(", NOT exit 0"));
            if (!exited0)
                fail(QStringLiteral("round %1: SIGTERM gave status %2").arg(k).arg(status));
            latest = std::max(latest, ended - sent);
            // Finished, or the earlier declaration as it was; nothing in between.
            const bool finished =
                file == QLatin1String("B") && reten == QLatin1String("B") && pdf == QLatin1String("B");
            const bool untouched = file == QLatin1String("A") && pdf == QLatin1String("A");
            if (!finished && !untouched)
                fail(QStringLiteral("round %1: %2").arg(k).arg(combination));
        } else if (file == QLatin1String("OTHER") || file == QLatin1String("none") ||
                   reten.startsWith(QLatin1String("OTHER")) || reten == QLatin1String("A") ||
                   reten == QLatin1String("NO-OPEN") || pdf == QLatin1String("OTHER")) {
            fail(QStringLiteral("round %1 (%2 ms after the Yes): %3")
                     .arg(k)
                     .arg(delay / 1000000)
                     .arg(combination));
        }
        // The program started again: nothing temporary is left, and the declaration recorded
        // is the one on the disk.
        QStringList left;
        const QStringList told = soak.restart(&left);
        const State restarted = soak.state();
        const QString fileAfter = name(restarted.file, a.file, b.file, restarted.fileExists);
        combination += QStringLiteral("; restarted: file %1").arg(fileAfter);
        if (!told.isEmpty())
            combination += QStringLiteral(", told");
        if (!left.isEmpty())
            fail(QStringLiteral("round %1: temporary files after the start: %2").arg(k).arg(left.join(", ")));
        if (fileAfter != (reten == QLatin1String("B") ? QLatin1String("B") : QLatin1String("A")))
            fail(QStringLiteral("round %1: %2").arg(k).arg(combination));
        ++seen[combination];
    };
    for (int k = 0; k < kills; ++k)
        round(k, kills, SIGKILL);
    for (int k = 0; k < terms; ++k)
        round(k, terms, SIGTERM);

    // Killed between the commit and the rename, every time: the next start puts B in place and
    // says so once; the version recorded is the file on the disk.
    {
        if (soak.complete("A") < 0)
            fail(QStringLiteral("the generation before the fault point did not complete"));
        std::unique_ptr<Child> child(soak.start("B", true));
        const int status = child->wait();
        const State killed = soak.state();
        if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL || killed.file != a.file ||
            killed.reten != b.reten || !killed.temporaryLeft)
            fail(QStringLiteral("the fault point after the commit: status %1, file %2, RETEN %3%4")
                     .arg(status)
                     .arg(name(killed.file, a.file, b.file), name(killed.reten, a.reten, b.reten),
                          killed.temporaryLeft ? QStringLiteral(", .tmp left") : QString()));
        QStringList left;
        const QStringList told = soak.restart(&left);
        const State restarted = soak.state();
        if (restarted.file != b.file || told.size() != 1 || !left.isEmpty())
            fail(QStringLiteral("after the fault point the start gave file %1, told %2, left %3")
                     .arg(name(restarted.file, a.file, b.file))
                     .arg(told.size())
                     .arg(left.join(", ")));
        if (!soak.restart(&left).isEmpty())
            fail(QStringLiteral("the recovery was told twice"));
        std::printf("killed after the commit: file %s after the start, told: %s\n",
                    qPrintable(name(restarted.file, a.file, b.file)), told.value(0).toUtf8().constData());
    }

    // And one more generation after the last round.
    if (soak.complete("A") < 0 || soak.state().file != a.file)
        fail(QStringLiteral("the last generation did not run cleanly"));

    std::printf("generation of 500 rows, Yes to listing: %.0f ms on average over %d clean runs\n",
                total / 1e6 / clean, clean);
    for (auto it = seen.cbegin(); it != seen.cend(); ++it)
        std::printf("%4d x %s\n", it.value(), qPrintable(it.key()));
    if (terms > 0)
        std::printf("SIGTERM to exit: %.0f ms at most\n", latest / 1e6);
    std::printf("%d kills, %d SIGTERMs, %d failures, %.0f s\n", kills, terms, failures,
                (now() - started) / 1e9);
    return failures ? 1 : 0;
}

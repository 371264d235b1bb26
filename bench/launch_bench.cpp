// Start-up as the clerk sees it: from the moment this process spawns a fresh program to the end
// of its main window's first paint, with a real database where the program looks for it. Run it
// on a real display with a window manager (DISPLAY set). The program reports the end of its
// first paint on the monotonic clock and ends (RETENCIONES_STARTUP_PROBE); the median of the
// launches is printed, with the CPU time the program used up to then, the median to its exit and
// the machine's load before and after: on a busy machine the wall-clock figures mean little, the
// CPU time still compares.
//
//   launch_bench [RUNS [NAME=PROGRAM[,CREATE_DATABASE]]...]
//
// Several programs are launched in turn (A, B, C, A, B, C...), so that each sees the same load;
// each gets a home folder of its own with a database made by its own tool (none for a program
// given without one, such as the bare window). Without programs it launches the one built here.
// A launch that does not report its first paint, or reports a clock before its spawn, stops the
// benchmark with exit status 1: a figure of a program that never showed its window is no figure.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {
double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QByteArray load()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readLine() : QByteArrayLiteral("unknown\n");
}

long long nowMicroseconds()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Program {
    QString name;
    QString path;
    QString createDatabase; // empty: the program needs no database
    std::unique_ptr<QTemporaryDir> home;
    QProcessEnvironment environment;
    std::vector<double> painted, ended, cpu;
};

int fail(const char *what, const Program &program, const QByteArray &detail = {})
{
    std::fprintf(stderr, "launch_bench: %s: %s %s\n", qPrintable(program.name), what, detail.constData());
    return 1;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? QByteArray(argv[1]).toInt() : 20;
    std::vector<Program> programs;
    for (int i = 2; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QStringList paths = argument.mid(equals + 1).split(QLatin1Char(','));
        Program program;
        program.name = equals > 0 ? argument.left(equals) : QFileInfo(paths.front()).fileName();
        // The program runs in its home folder: a relative path is taken from here.
        program.path = QFileInfo(paths.front()).absoluteFilePath();
        if (paths.size() > 1)
            program.createDatabase = QFileInfo(paths.at(1)).absoluteFilePath();
        programs.push_back(std::move(program));
    }
    if (programs.empty()) {
        Program program;
        program.name = QStringLiteral("Retenciones");
        program.path = QStringLiteral(RETENCIONES_PROGRAM);
        program.createDatabase = QStringLiteral(RETENCIONES_CREATE_DATABASE);
        programs.push_back(std::move(program));
    }
    if (runs < 1) {
        std::fprintf(stderr, "launch_bench: RUNS must be at least 1\n");
        return 1;
    }

    QProcessEnvironment base = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"RETENCIONES_DATABASE", "RETENCIONES_USER", "RETENCIONES_PASSWORD",
                             "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        base.remove(QLatin1String(name));
    for (Program &program : programs) {
        // The program finds its database under the home folder. The tool makes it, so that this
        // process stays as small as a desktop's launcher: a fork copies the whole process.
        program.home = std::make_unique<QTemporaryDir>();
        program.environment = base;
        program.environment.insert(QStringLiteral("HOME"), program.home->path());
        if (!program.createDatabase.isEmpty()) {
            QProcess tool;
            tool.setProcessEnvironment(program.environment);
            tool.start(program.createDatabase, {});
            if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit ||
                tool.exitCode() != 0)
                return fail("the database could not be created", program, tool.readAllStandardError());
        }
        program.environment.insert(QStringLiteral("RETENCIONES_STARTUP_PROBE"), QStringLiteral("1"));
    }

    std::printf("load average before: %s", load().constData());
    for (int run = 0; run < runs; ++run) {
        for (Program &program : programs) {
            QProcess child;
            child.setProcessEnvironment(program.environment);
            child.setWorkingDirectory(program.home->path());
            const long long spawned = nowMicroseconds();
            child.start(program.path, {});
            if (!child.waitForFinished(30000) || child.exitStatus() != QProcess::NormalExit ||
                child.exitCode() != 0)
                return fail("the window was not painted", program, child.readAllStandardError());
            const long long exited = nowMicroseconds();
            // The clock at the end of the first paint, then the CPU time the program had used.
            const QByteArray output = child.readAllStandardOutput();
            const QList<QByteArray> report = output.simplified().split(' ');
            bool clockRead = false;
            bool cpuRead = false;
            const long long paint = report.value(0).toLongLong(&clockRead);
            const double cpu = report.value(1).toDouble(&cpuRead) / 1000;
            if (report.size() != 2 || !clockRead || !cpuRead || paint <= spawned || paint > exited ||
                cpu <= 0)
                return fail("no first paint reported", program, output);
            program.painted.push_back(double(paint - spawned) / 1000);
            program.cpu.push_back(cpu);
            program.ended.push_back(double(exited - spawned) / 1000);
        }
    }
    std::printf("load average after:  %s", load().constData());
    std::printf("launch to the first paint of the main window, %d runs each, in turn:\n", runs);
    for (const Program &program : programs) {
        std::printf("%s:\n", qPrintable(program.name));
        std::printf("  median %.1f ms (min %.1f, max %.1f)\n", median(program.painted),
                    *std::min_element(program.painted.begin(), program.painted.end()),
                    *std::max_element(program.painted.begin(), program.painted.end()));
        std::printf("  CPU time of the program up to then (user and system): median %.1f ms\n",
                    median(program.cpu));
        std::printf("  launch to exit (window closed): median %.1f ms\n", median(program.ended));
    }
    // One line per program for scripts: name, wall and CPU medians in ms.
    for (const Program &program : programs)
        std::printf("figure startup %s %.2f %.2f\n", qPrintable(program.name), median(program.painted),
                    median(program.cpu));
    return 0;
}

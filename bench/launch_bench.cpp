// Start-up as the clerk sees it: from the moment this process spawns a fresh Retenciones to
// the end of the main window's first paint, with a real database where the program looks for
// it. Run it on a real display with a window manager (DISPLAY set). The program reports the
// end of its first paint on the monotonic clock and ends (RETENCIONES_STARTUP_PROBE); the
// median of 20 launches is printed, with the CPU time the program used up to then, the median
// to its exit and the machine's load before and after: on a busy machine the wall-clock
// figures mean little, the CPU time still compares. It never fails a build.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
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
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    // The program runs in the home folder: a relative path is taken from here.
    const QString program =
        QFileInfo(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(RETENCIONES_PROGRAM))
            .absoluteFilePath();
    const int runs = argc > 2 ? QByteArray(argv[2]).toInt() : 20;

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"RETENCIONES_DATABASE", "RETENCIONES_USER", "RETENCIONES_PASSWORD",
                             "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        environment.remove(QLatin1String(name));
    // The program finds its database under the home folder. The tool makes it, so that this
    // process stays as small as a desktop's launcher: a fork copies the whole process.
    QTemporaryDir home;
    environment.insert(QStringLiteral("HOME"), home.path());
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral(RETENCIONES_CREATE_DATABASE), {});
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0) {
        std::printf("the database could not be created: %s\n", tool.readAllStandardError().constData());
        return 0;
    }
    environment.insert(QStringLiteral("RETENCIONES_STARTUP_PROBE"), QStringLiteral("1"));
    std::printf("load average before: %s", load().constData());
    std::vector<double> painted, ended, cpu;
    for (int run = 0; run < runs; ++run) {
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setWorkingDirectory(home.path());
        const long long spawned = nowMicroseconds();
        child.start(program, {});
        if (!child.waitForFinished(30000) || child.exitCode() != 0) {
            std::printf("run %d: the window was not painted\n", run + 1);
            continue;
        }
        ended.push_back(double(nowMicroseconds() - spawned) / 1000);
        // The clock at the end of the first paint, then the CPU time the program had used.
        const QList<QByteArray> report = child.readAllStandardOutput().simplified().split(' ');
        const long long paint = report.value(0).toLongLong();
        if (paint <= spawned || report.size() != 2)
            continue;
        painted.push_back(double(paint - spawned) / 1000);
        cpu.push_back(report.value(1).toDouble() / 1000);
    }
    std::printf("load average after:  %s", load().constData());
    if (painted.empty())
        return 0;
    std::printf("launch to the first paint of the main window, database attached, %zu runs:\n",
                painted.size());
    std::printf("  median %.1f ms (min %.1f, max %.1f)\n", median(painted),
                *std::min_element(painted.begin(), painted.end()),
                *std::max_element(painted.begin(), painted.end()));
    std::printf("  CPU time of the program up to then (user and system): median %.1f ms\n", median(cpu));
    std::printf("  launch to exit (window closed): median %.1f ms\n", median(ended));
    return 0;
}

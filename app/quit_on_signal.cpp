#include "app/quit_on_signal.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

const int QuitOnSignal::Signals[3] = {SIGINT, SIGTERM, SIGHUP};

namespace {
// The pipe the handler writes to; -1 while no QuitOnSignal exists.
volatile sig_atomic_t writeEnd = -1;
int readEnd = -1;
struct sigaction earlier[3];

extern "C" void wakeEventLoop(int number)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // A full pipe already holds a request to quit; one more changes nothing.
    if (writeEnd >= 0 && ::write(writeEnd, &byte, 1) < 0) {
    }
    errno = savedErrno;
}
} // namespace

QuitOnSignal::QuitOnSignal(QObject *parent) : QObject(parent)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        qFatal("QuitOnSignal: no pipe for the signals");
    readEnd = ends[0];
    writeEnd = ends[1];
    notifier_ = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitOnSignal::readSignal);

    for (int i = 0; i < 3; ++i)
        ::sigaction(Signals[i], nullptr, &earlier[i]);
    keepHandlers();
    // The engine loads at the first attach that reaches it, which may be a later one (the
    // database was missing at start-up): whenever the loop is about to wait, the handlers
    // are put back if anything replaced them.
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &QuitOnSignal::keepHandlers);
}

void QuitOnSignal::keepHandlers()
{
    struct sigaction action = {};
    action.sa_handler = wakeEventLoop;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls of the program (file writes, the database's) simply go on.
    action.sa_flags = SA_RESTART;
    for (const int number : Signals) {
        struct sigaction current;
        if (::sigaction(number, nullptr, &current) == 0 && current.sa_handler != wakeEventLoop)
            ::sigaction(number, &action, nullptr);
    }
}

QuitOnSignal::~QuitOnSignal()
{
    for (int i = 0; i < 3; ++i)
        ::sigaction(Signals[i], &earlier[i], nullptr);
    const int end = writeEnd;
    writeEnd = -1;
    ::close(end);
    ::close(readEnd);
    readEnd = -1;
}

void QuitOnSignal::readSignal()
{
    unsigned char bytes[16];
    ssize_t n;
    while ((n = ::read(readEnd, bytes, sizeof bytes)) > 0) {
        if (received_ == 0)
            received_ = bytes[0];
    }
    // Every event loop running now returns, the main one once the work in hand is done.
    QCoreApplication::exit(0);
}

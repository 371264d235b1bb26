#pragma once

#include <QObject>

class QSocketNotifier;

// Ends the program cleanly on SIGINT, SIGTERM and SIGHUP (Ctrl+C in its terminal, kill, the
// desktop session ending). The handler only writes the signal's number to a pipe; the event
// loop reads it and asks the application to quit with status 0. Work running on the GUI
// thread (a generation) ends first, since the loop returns only once it has control again; a
// message box that is open closes unanswered, which a question takes as No.
//
// The embedded database engine puts its own handlers on SIGINT and SIGTERM when it attaches
// and then carries on without its database; these handlers replace the engine's, at once and
// again whenever the event loop finds them replaced. Only one may exist at a time; it puts
// the earlier handlers back when it goes.
class QuitOnSignal : public QObject {
    Q_OBJECT
public:
    explicit QuitOnSignal(QObject *parent = nullptr);
    ~QuitOnSignal() override;

    // The signal that asked the program to end, 0 while none has.
    int received() const noexcept { return received_; }

    static const int Signals[3];

private:
    void keepHandlers();
    void readSignal();

    QSocketNotifier *notifier_ = nullptr;
    int received_ = 0;
};

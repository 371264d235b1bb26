#pragma once

#include "declaration/declaration_generation.h"

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;
class QPushButton;

// "Exporting Progress": shown on top, in the centre of the screen, while the declaration's rows
// are written and then while the listing is exported. It comes up at the first update once the
// work has taken ShowAfterMs since the clerk's Yes, as Qt's own progress dialog does: a
// declaration done sooner would only flash a window (and have a screen reader announce it). It
// is application-modal so the main window takes no input meanwhile; each update lets the event
// loop run once, which is how "Cancel" takes effect (on the listing). Until the window is up
// the event loop does not run at all.
class ProgressWindow : public QDialog, public ExportMonitor {
    Q_OBJECT

public:
    explicit ProgressWindow(QWidget *parent = nullptr);

    // A wait cursor over the program while RETEN is emptied; the window itself is not shown.
    void clearingStarted() override;
    void clearingFinished() override;
    void exportStarted() override;
    void writingProgress(int percent) override;
    bool exportProgress(int percent) override;
    void exportFinished() override;

    static constexpr qint64 ShowAfterMs = 100;

    bool cancelled() const { return cancelled_; }
    static QString progressText(int percent);

    QProgressBar *bar;
    QLabel *line;
    QPushButton *cancelButton;

protected:
    // Closing the window by its frame stops the export, as "Cancel" does.
    void reject() override;

private:
    void show(int percent);
    // Sets the step; brings the window up once ShowAfterMs have passed since the export started,
    // and then lets the event loop run (paint, Cancel) once 40 ms have passed since it last ran:
    // a declaration's twenty steps can come faster than a screen can show them and would cost
    // more than its rows. The end is no exception: the listing follows the rows at once, and the
    // window closes when the listing is done.
    void step(int percent);

    bool cancelled_ = false;
    QElapsedTimer started_;
    QElapsedTimer painted_;
};

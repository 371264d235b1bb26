#include "app/progress_window.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

ProgressWindow::ProgressWindow(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("ExportingProgress"));
    setWindowTitle(QStringLiteral("Exporting Progress"));
    setWindowModality(Qt::ApplicationModal);

    bar = new QProgressBar(this);
    bar->setRange(0, 100);
    bar->setTextVisible(false);
    line = new QLabel(this);
    line->setAlignment(Qt::AlignCenter);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("Cancel"));
    connect(cancelButton, &QPushButton::clicked, this, &ProgressWindow::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(bar);
    layout->addWidget(line);
    layout->addWidget(cancelButton, 0, Qt::AlignHCenter);
    resize(300, 110);
}

QString ProgressWindow::progressText(int percent)
{
    return QString::number(percent) + QStringLiteral("%  Completed");
}

void ProgressWindow::show(int percent)
{
    // The bar would repaint itself at once and the line later: both are painted together when
    // the event loop runs.
    setUpdatesEnabled(false);
    bar->setValue(percent);
    line->setText(progressText(percent));
    setUpdatesEnabled(true);
}

void ProgressWindow::clearingStarted()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    // The event loop does not run until the emptying ends: the cursor goes to the screen now.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ProgressWindow::clearingFinished()
{
    QGuiApplication::restoreOverrideCursor();
}

void ProgressWindow::exportStarted()
{
    cancelled_ = false;
    show(0);
    started_.start();
}

void ProgressWindow::step(int percent)
{
    show(percent);
    if (!isVisible()) {
        if (!started_.isValid() || started_.elapsed() < ShowAfterMs)
            return;
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
        QDialog::show();
        raise();
    } else {
        // Twenty-five times a second moves the bar smoothly and answers Cancel at once; every
        // screen frame would cost a large declaration a paint of both windows sixty times a
        // second.
        constexpr qint64 PaintEveryMs = 40;
        if (painted_.isValid() && painted_.elapsed() < PaintEveryMs)
            return;
    }
    QCoreApplication::processEvents();
    painted_.start();
}

void ProgressWindow::writingProgress(int percent)
{
    step(percent);
}

bool ProgressWindow::exportProgress(int percent)
{
    step(percent);
    return !cancelled_;
}

void ProgressWindow::exportFinished()
{
    started_.invalidate();
    if (!isVisible())
        return;
    hide();
    // The clerk goes on typing in the main window, so it gets the keyboard back at once.
    if (QWidget *owner = parentWidget())
        owner->activateWindow();
}

void ProgressWindow::reject()
{
    cancelled_ = true;
}

#include "app/progress_window.h"
#include "tests/app/app_test_support.h"
#include "tests/support/qt_print.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

// The window the clerk watches during the export: its line, its bar, Cancel taking effect at
// the next update, and the main window locked out meanwhile.
TEST(ProgressWindowTest, ShowsProgressAndCancelStopsAtTheNextUpdate)
{
    ensureQtApplication();
    QWidget owner;
    ASSERT_TRUE(showActive(owner));
    ProgressWindow progress(&owner);

    // While RETEN is emptied: a wait cursor, and no window yet.
    progress.clearingStarted();
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_FALSE(progress.isVisible());
    progress.clearingFinished();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // A declaration done at once never brings the window up.
    progress.exportStarted();
    EXPECT_TRUE(progress.exportProgress(50));
    EXPECT_FALSE(progress.isVisible());
    progress.exportFinished();

    // One that takes a moment does, at its next update.
    progress.exportStarted();
    QTest::qSleep(int(ProgressWindow::ShowAfterMs) + 10);
    progress.writingProgress(0);
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.windowTitle(), QStringLiteral("Exporting Progress"));
    EXPECT_EQ(QApplication::activeModalWidget(), &progress);
    EXPECT_EQ(progress.line->text(), QStringLiteral("0%  Completed"));
    EXPECT_EQ(progress.cancelButton->text(), QStringLiteral("Cancel"));

    const struct {
        int percent;
        const char *line;
    } updates[] = {{5, "5%  Completed"}, {35, "35%  Completed"}, {100, "100%  Completed"}};
    for (const auto &u : updates) {
        EXPECT_TRUE(progress.exportProgress(u.percent));
        EXPECT_EQ(progress.bar->value(), u.percent);
        EXPECT_EQ(progress.line->text(), QLatin1String(u.line));
    }

    QTest::mouseClick(progress.cancelButton, Qt::LeftButton);
    EXPECT_TRUE(progress.isVisible()); // the export closes it when it ends
    EXPECT_FALSE(progress.exportProgress(40));
    progress.exportFinished();
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // A new export starts uncancelled, and hidden until it takes a moment.
    progress.exportStarted();
    EXPECT_TRUE(progress.exportProgress(5));
    EXPECT_FALSE(progress.isVisible());
    progress.exportFinished();
}

// The desktop's opener, and the viewer it starts, get none of the program's descriptors: with
// the database attached (its file and the engine's lock files open in this process) and a file
// opened the careless way, a stand-in opener lists what it inherited.
#include "app/qt_dialogs.h"

#include "declaration/reten_store.h"
#include "tests/db/store_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {
QStringList openHere()
{
    QStringList targets;
    for (const QFileInfo &fd :
         QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files))
        targets << fd.symLinkTarget();
    return targets;
}

class DesktopOpenerTest : public StoreTest {};

TEST_F(DesktopOpenerTest, TheOpenerInheritsNothingButTheStandardThree)
{
    RetenStore store(path_);
    ASSERT_TRUE(store.connect());
    store.clear(); // the engine has the file and its locks open now
    ASSERT_TRUE(openHere().contains(QFileInfo(path_).canonicalFilePath()));
    const QString careless = folder_.filePath(QStringLiteral("careless"));
    const int leaked = ::open(QFile::encodeName(careless).constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(leaked, 3);

    QtDialogs dialogs(QStringLiteral(RETENCIONES_DESCRIPTOR_LISTER));
    const struct {
        const char *name;
        QString path;
    } cases[] = {{"a listing", folder_.filePath(QStringLiteral("17300415.pdf"))},
                 {"a folder", folder_.path()}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(dialogs.OpenWithDesktop(c.path));
        QFile listing(c.path + QStringLiteral(".fds"));
        QElapsedTimer waited;
        waited.start();
        while (!listing.exists() && waited.elapsed() < 10000)
            QThread::msleep(10);
        ASSERT_TRUE(listing.open(QIODevice::ReadOnly));
        QStringList numbers;
        const QString text = QString::fromLocal8Bit(listing.readAll());
        for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            numbers << line.section(QLatin1Char(' '), 0, 0);
        numbers.sort();
        EXPECT_EQ(numbers, (QStringList{"0", "1", "2"})) << text.toStdString();
    }
    ::close(leaked);
    EXPECT_FALSE(QtDialogs(QStringLiteral("/nonexistent/opener")).OpenWithDesktop(folder_.path()));
}
} // namespace

#include "db/engine_copies.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
void writeAll(const QString &path, const QByteArray &bytes, const QDateTime &modified = {})
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    if (modified.isValid())
        file.setFileTime(modified, QFileDevice::FileModificationTime);
}
} // namespace

// The copy follows the installation's file whatever changed in it: an upgrade brings a file of
// the same size with an older date. A copy that is already right is not written again.
TEST(EngineCopies, CopiesFollowTheInstallation)
{
    const QDateTime yesterday = QDateTime::currentDateTime().addDays(-1);
    const QDateTime lastYear = QDateTime::currentDateTime().addYears(-1);
    const struct {
        const char *name;
        QByteArray installed;
        QDateTime installedAt;
        QByteArray copy; // empty: none yet
        bool rewritten;
    } cases[] = {
        {"no copy yet", "MODULE-2", yesterday, "", true},
        {"the same file", "MODULE-2", yesterday, "MODULE-2", false},
        {"upgrade: same size, older date", "MODULE-3", lastYear, "MODULE-2", true},
        {"upgrade: another size", "MODULE-10", yesterday, "MODULE-2", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString from = dir.filePath(QStringLiteral("install/intl"));
        const QString to = dir.filePath(QStringLiteral("root/intl"));
        ASSERT_TRUE(QDir().mkpath(from) && QDir().mkpath(to));
        writeAll(from + QStringLiteral("/libfbintl.so"), c.installed, c.installedAt);
        if (!c.copy.isEmpty())
            writeAll(to + QStringLiteral("/libfbintl.so"), c.copy);
        const QDateTime before = QFileInfo(to + QStringLiteral("/libfbintl.so")).lastModified();
        refreshCopies(from, to);
        EXPECT_EQ(readAll(to + QStringLiteral("/libfbintl.so")), c.installed);
        if (!c.rewritten) {
            EXPECT_EQ(QFileInfo(to + QStringLiteral("/libfbintl.so")).lastModified(), before);
        }
        EXPECT_EQ(QDir(to).entryList(QDir::Files).size(), 1);
    }
}

// A link where the copies go (an older layout) becomes a folder of copies.
TEST(EngineCopies, LinkBecomesAFolder)
{
    QTemporaryDir dir;
    const QString from = dir.filePath(QStringLiteral("intl"));
    ASSERT_TRUE(QDir().mkpath(from));
    writeAll(from + QStringLiteral("/fbintl.conf"), "CONF");
    const QString to = dir.filePath(QStringLiteral("copy"));
    ASSERT_TRUE(QFile::link(from, to));
    refreshCopies(from, to);
    EXPECT_FALSE(QFileInfo(to).isSymLink());
    EXPECT_EQ(readAll(to + QStringLiteral("/fbintl.conf")), "CONF");
}

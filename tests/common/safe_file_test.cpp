#include "common/safe_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}
} // namespace

// Whatever stands under the target's name beforehand, the target ends as a plain file with the
// new bytes, nothing a link pointed to is touched, and no part file is left.
TEST(SafeFile, WritingReplacesWhateverStandsUnderTheName)
{
    const struct {
        const char *name;
        const char *before; // "none", "file", "link"
    } cases[] = {{"nothing there", "none"}, {"an earlier file", "file"}, {"a planted link", "link"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("17300415.pdf"));
        const QString victim = dir.filePath(QStringLiteral("victim"));
        writeAll(victim, "VICTIM");
        if (qstrcmp(c.before, "file") == 0) {
            writeAll(target, "EARLIER");
        } else if (qstrcmp(c.before, "link") == 0) {
            ASSERT_TRUE(QFile::link(victim, target));
        }
        EXPECT_EQ(writeFileSafely(target, "NEW"), 0);
        EXPECT_FALSE(QFileInfo(target).isSymLink());
        EXPECT_EQ(readAll(target), "NEW");
        EXPECT_EQ(readAll(victim), "VICTIM");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System).size(), 2);
    }
}

// A new file refuses every name that exists, a link above all, and gets the mode the umask gives.
TEST(SafeFile, ExclusiveCreationRefusesAnythingThatExists)
{
    QTemporaryDir dir;
    const QString victim = dir.filePath(QStringLiteral("victim"));
    writeAll(victim, "VICTIM");
    const QString link = dir.filePath(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(victim, link));
    const QString dangling = dir.filePath(QStringLiteral("dangling"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("nowhere")), dangling));
    for (const QString &taken : {victim, link, dangling})
        EXPECT_EQ(createExclusively(taken), -EEXIST) << taken.toStdString();
    EXPECT_EQ(readAll(victim), "VICTIM");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("nowhere"))));

    const mode_t previous = ::umask(027);
    const QString fresh =
        freshSiblingName(dir.filePath(QStringLiteral("17300415.txt")), QStringLiteral(".tmp"));
    const int fd = createExclusively(fresh);
    ::umask(previous);
    ASSERT_GE(fd, 0);
    ::close(fd);
    struct stat info;
    ASSERT_EQ(::stat(QFile::encodeName(fresh).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_TRUE(QFileInfo(fresh).fileName().startsWith(QStringLiteral("17300415.txt.")));
    EXPECT_NE(fresh, freshSiblingName(dir.filePath(QStringLiteral("17300415.txt")), QStringLiteral(".tmp")));
}

// A private folder is made 0700; one that others may enter, a file or a link is refused.
TEST(SafeFile, PrivateFolderIsTheUsersAlone)
{
    const struct {
        const char *name;
        std::function<void(const QString &path, const QString &other)> prepare;
        bool accepted;
    } cases[] = {
        {"missing, parents too", [](const QString &, const QString &) {}, true},
        {"already private",
         [](const QString &p, const QString &) { QDir().mkpath(p), ::chmod(qPrintable(p), 0700); }, true},
        {"open to the group",
         [](const QString &p, const QString &) { QDir().mkpath(p), ::chmod(qPrintable(p), 0770); }, false},
        {"open to all",
         [](const QString &p, const QString &) { QDir().mkpath(p), ::chmod(qPrintable(p), 0777); }, false},
        {"a file",
         [](const QString &p, const QString &) { QDir().mkpath(QFileInfo(p).path()), writeAll(p, "x"); },
         false},
        {"a link to a private folder",
         [](const QString &p, const QString &other) {
             QDir().mkpath(other), ::chmod(qPrintable(other), 0700);
             QDir().mkpath(QFileInfo(p).path()), QFile::link(other, p);
         },
         false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("cache/Retenciones/firebird-lock"));
        c.prepare(path, dir.filePath(QStringLiteral("other")));
        QString why;
        EXPECT_EQ(ensurePrivateFolder(path, &why), c.accepted);
        EXPECT_EQ(why.isEmpty(), c.accepted) << why.toStdString();
        if (c.accepted) {
            struct stat info;
            ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0);
            EXPECT_EQ(info.st_mode & 0777, 0700u);
        }
    }
}

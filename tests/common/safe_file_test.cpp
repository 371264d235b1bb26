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
// What stands under the target's name before it is written: "none", an earlier "file", a
// "link" to the victim, or a "dangling" link.
void standUnder(const char *before, const QString &target, const QString &victim, const QString &nowhere)
{
    if (qstrcmp(before, "file") == 0) {
        writeAll(target, "EARLIER");
    } else if (qstrcmp(before, "link") == 0) {
        ASSERT_TRUE(QFile::link(victim, target));
    } else if (qstrcmp(before, "dangling") == 0) {
        ASSERT_TRUE(QFile::link(nowhere, target));
    }
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
        standUnder(c.before, target, victim, dir.filePath(QStringLiteral("nowhere")));
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

// A file that must not replace anything takes its name whole or not at all: whatever stands
// under the name stays as it was, a link's target included, and no part file is left.
TEST(SafeFile, NewFileNeverReplacesAnything)
{
    const struct {
        const char *name;
        const char *before; // "none", "file", "link", "dangling"
        int error;
    } cases[] = {{"nothing there", "none", 0},
                 {"an earlier file", "file", EEXIST},
                 {"a planted link", "link", EEXIST},
                 {"a dangling link", "dangling", EEXIST}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("17300415 2026-12-09 10.31.05.txt"));
        const QString victim = dir.filePath(QStringLiteral("victim"));
        writeAll(victim, "VICTIM");
        standUnder(c.before, target, victim, dir.filePath(QStringLiteral("nowhere")));
        const mode_t previous = ::umask(027);
        EXPECT_EQ(writeNewFile(target, "NEW"), c.error);
        ::umask(previous);
        EXPECT_EQ(readAll(victim), "VICTIM");
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("nowhere"))));
        if (c.error == 0) {
            EXPECT_EQ(readAll(target), "NEW");
            struct stat info;
            ASSERT_EQ(::lstat(QFile::encodeName(target).constData(), &info), 0);
            EXPECT_EQ(info.st_mode & 0777, 0640u);
        } else if (qstrcmp(c.before, "file") == 0) {
            EXPECT_EQ(readAll(target), "EARLIER");
        } else {
            EXPECT_TRUE(QFileInfo(target).isSymLink());
        }
        // The victim and the target's name: no part file.
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden).size(), 2);
    }
}

// A plain file gets a second name, in one step, and nothing else does: a link is not followed,
// a folder is refused, a name that is taken stays as it was.
TEST(SafeFile, KeepingUnderANewName)
{
    const struct {
        const char *name;
        const char *source; // "file", "link", "folder", "none"
        bool targetTaken;
        int error;
    } cases[] = {
        {"a plain file", "file", false, 0}, {"a plain file, the name taken", "file", true, EEXIST},
        {"a link", "link", false, ELOOP},   {"a folder", "folder", false, EINVAL},
        {"nothing", "none", false, ENOENT},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("17300415.txt"));
        const QString target = dir.filePath(QStringLiteral("kept.txt"));
        const QString victim = dir.filePath(QStringLiteral("victim"));
        writeAll(victim, "VICTIM");
        if (qstrcmp(c.source, "file") == 0) {
            writeAll(source, "DECLARED");
        } else if (qstrcmp(c.source, "link") == 0) {
            ASSERT_TRUE(QFile::link(victim, source));
        } else if (qstrcmp(c.source, "folder") == 0) {
            ASSERT_TRUE(QDir().mkdir(source));
        }
        if (c.targetTaken)
            writeAll(target, "OTHER");
        EXPECT_EQ(keepUnderNewName(source, target), c.error);
        if (c.error == 0) {
            EXPECT_EQ(readAll(target), "DECLARED");
            EXPECT_EQ(QFileInfo(target).fileTime(QFileDevice::FileModificationTime),
                      QFileInfo(source).fileTime(QFileDevice::FileModificationTime));
        } else {
            EXPECT_EQ(readAll(target), c.targetTaken ? QByteArray("OTHER") : QByteArray("<missing>"));
        }
        EXPECT_EQ(readAll(victim), "VICTIM");
    }
}

// Across file systems (a second name is impossible there) the file is copied whole.
TEST(SafeFile, KeepingOnAnotherFileSystemCopies)
{
    QTemporaryDir here;
    QTemporaryDir there(QStringLiteral("/dev/shm/retenciones-XXXXXX"));
    struct stat a, b;
    if (!there.isValid() || ::stat(QFile::encodeName(here.path()).constData(), &a) != 0 ||
        ::stat(QFile::encodeName(there.path()).constData(), &b) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system at hand";
    const QString source = here.filePath(QStringLiteral("17300415.pdf"));
    QByteArray bytes(300000, 'x');
    writeAll(source, bytes);
    const QString target = there.filePath(QStringLiteral("kept.pdf"));
    EXPECT_EQ(keepUnderNewName(source, target), 0);
    EXPECT_EQ(readAll(target), bytes);
    EXPECT_EQ(keepUnderNewName(source, target), EEXIST);
    EXPECT_EQ(QDir(there.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 1);
}

// A folder of one's own is made with the umask's mode, or taken as it is when it is a real
// folder of the user's; a file, a link or a folder that cannot be made are refused with why.
TEST(SafeFile, OwnFolderIsARealFolderOfTheUsers)
{
    const struct {
        const char *name;
        std::function<void(const QString &path, const QString &other)> prepare;
        bool accepted;
        const char *why;
    } cases[] = {
        {"missing", [](const QString &, const QString &) {}, true, ""},
        {"his own, open to all",
         [](const QString &p, const QString &) { QDir().mkpath(p), ::chmod(qPrintable(p), 0777); }, true, ""},
        {"a file", [](const QString &p, const QString &) { writeAll(p, "x"); }, false,
         "no es una carpeta suya"},
        {"a link to a folder",
         [](const QString &p, const QString &other) { QDir().mkpath(other), QFile::link(other, p); }, false,
         "no es una carpeta suya"},
        {"a folder it cannot be made in",
         [](const QString &p, const QString &other) { writeAll(other, "x"), QFile::link(other + "/sub", p); },
         false, "no es una carpeta suya"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("anteriores"));
        c.prepare(path, dir.filePath(QStringLiteral("other")));
        QString why;
        const mode_t previous = ::umask(027);
        EXPECT_EQ(ensureOwnFolder(path, &why), c.accepted);
        ::umask(previous);
        EXPECT_TRUE(why.contains(QString::fromUtf8(c.why))) << why.toStdString();
        if (qstrcmp(c.name, "missing") == 0) {
            struct stat info;
            ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0);
            EXPECT_EQ(info.st_mode & 0777, 0750u);
        }
    }
    QString why;
    EXPECT_FALSE(ensureOwnFolder(QStringLiteral("/nonexistent/anteriores"), &why));
    EXPECT_TRUE(why.startsWith(QStringLiteral("No se puede crear la carpeta"))) << why.toStdString();
}

// Once a folder is opened and checked, swapping it for a link (or for another folder) changes
// nothing: what is written, kept and removed lands in the folder that was checked.
TEST(SafeFile, AnOpenedFolderIsUsedAsItWasChecked)
{
    const struct {
        const char *name;
        std::function<int(const OpenedFolder &, const QString &declaration)> act;
        const char *lands; // name expected in the opened folder afterwards
    } cases[] = {
        {"a file replaced",
         [](const OpenedFolder &f, const QString &) { return f.writeFileSafely("a.pdf", "NEW"); }, "a.pdf"},
        {"a new file", [](const OpenedFolder &f, const QString &) { return f.writeNewFile("b.pdf", "NEW"); },
         "b.pdf"},
        {"a kept copy",
         [](const OpenedFolder &f, const QString &declaration) {
             return f.keepUnderNewName(declaration, "c.txt");
         },
         "c.txt"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString declaration = dir.filePath(QStringLiteral("17300415.txt"));
        writeAll(declaration, "NEW");
        const QString checked = dir.filePath(QStringLiteral("anteriores"));
        const QString victim = dir.filePath(QStringLiteral("victim"));
        ASSERT_TRUE(QDir().mkdir(victim));
        OpenedFolder folder;
        ASSERT_TRUE(folder.open(checked, true, true));
        EXPECT_TRUE(folder.made());
        // The swap: the checked folder moved aside, a link to the victim under its name.
        ASSERT_TRUE(QDir().rename(checked, dir.filePath(QStringLiteral("moved"))));
        ASSERT_TRUE(QFile::link(victim, checked));
        EXPECT_EQ(c.act(folder, declaration), 0);
        EXPECT_EQ(readAll(dir.filePath(QStringLiteral("moved/")) + QLatin1String(c.lands)), "NEW");
        EXPECT_EQ(QDir(victim).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
                  QStringList());
        EXPECT_EQ(folder.remove(QString::fromLatin1(c.lands)), 0);
        EXPECT_EQ(QDir(dir.filePath(QStringLiteral("moved"))).entryList(QDir::Files | QDir::System),
                  QStringList());
    }
    OpenedFolder folder;
    QString why;
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::link(dir.path(), dir.filePath(QStringLiteral("link"))));
    EXPECT_FALSE(folder.open(dir.filePath(QStringLiteral("link")), false, false, &why));
    EXPECT_TRUE(why.contains(QStringLiteral("no es una carpeta suya"))) << why.toStdString();
}

// What a killed writer left is cleared away; a file being written (its writer holds it), a link,
// a folder and a name of another form are not.
TEST(SafeFile, LeftoversOfKilledWritersAreClearedAway)
{
    QTemporaryDir dir;
    const QString left = QStringLiteral("17300415.pdf.abcdefghij012345.part");
    const QString writing = QStringLiteral("17300415.pdf.ABCDEFGHIJ012345.part");
    const QString link = QStringLiteral("17300415.pdf.linklinklink01234.part");
    const QString folderName = QStringLiteral("x.pdf.folderfolder01234.part");
    const QString other = QStringLiteral("17300415.pdf.short.part");
    const QString wrongSuffix = QStringLiteral("17300415.txt.abcdefghij012345.tmp");
    for (const QString &name : {left, writing, other, wrongSuffix})
        writeAll(dir.filePath(name), "PART");
    writeAll(dir.filePath(QStringLiteral("victim")), "VICTIM");
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("victim")), dir.filePath(link)));
    ASSERT_TRUE(QDir(dir.path()).mkdir(folderName));
    const TemporaryFileClaim claim(dir.filePath(writing));

    OpenedFolder folder;
    ASSERT_TRUE(folder.open(dir.path(), false, true));
    EXPECT_EQ(removeLeftovers(folder, QStringLiteral(".part")), 1);
    QStringList names = folder.names();
    names.sort();
    QStringList expected{writing, link, folderName, other, wrongSuffix, QStringLiteral("victim")};
    expected.sort();
    EXPECT_EQ(names, expected);
    EXPECT_EQ(readAll(dir.filePath(QStringLiteral("victim"))), "VICTIM");
}

#include "declaration/listing_folder.h"
#include "tests/support/qt_print.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

TEST(ListingFolder, ProgramFolderWhenItCanBeWrittenElseTheWorkingFolder)
{
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString program = scratch.path() + QStringLiteral("/program/");
    const QString readOnly = scratch.path() + QStringLiteral("/installed/");
    const QString work = scratch.path() + QStringLiteral("/work");
    ASSERT_TRUE(QDir().mkpath(program) && QDir().mkpath(readOnly) && QDir().mkpath(work));
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                                    QFile::ExeOther));
    QFile plain(scratch.path() + QStringLiteral("/file"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();

    const struct {
        const char *what;
        QString programFolder;
        QString workingFolder;
        QString expected;
        bool needsUnprivileged;
    } cases[] = {
        {"run from the build tree", program, work, program, false},
        {"installed, folder read-only", readOnly, work, work + "/", true},
        {"program folder gone", scratch.path() + "/gone/", work, work + "/", false},
        {"program folder unknown", QString(), work, work + "/", false},
        {"program folder a file", plain.fileName() + "/", work, work + "/", false},
        {"working folder given with its separator", QString(), work + "/", work + "/", false},
        {"working folder the root", QString(), "/", "/", false},
    };
    for (const auto &c : cases) {
        // The superuser writes into read-only folders; the package test mounts one read-only instead.
        if (c.needsUnprivileged && ::geteuid() == 0)
            continue;
        EXPECT_EQ(listingFolder(c.programFolder, c.workingFolder), c.expected) << c.what;
    }
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(ListingFolder, TheCurrentFolderIsTheDefaultWorkingFolder)
{
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    const QString folder = listingFolder(QString());
    QDir::setCurrent(previous);
    EXPECT_EQ(folder, QDir(work.path()).canonicalPath() + "/");
}

} // namespace

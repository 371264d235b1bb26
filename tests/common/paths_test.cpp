#include "common/paths.h"
#include "tests/support/qt_print.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(Paths, FileNamePartSplitsAtThePlatformSeparators)
{
    const struct {
        QString path;
        QString name;
    } cases[] = {
#ifdef Q_OS_WIN
        {"C:\\Retenciones\\retenciones.exe", "retenciones.exe"},
        {"C:retenciones.exe", "retenciones.exe"},
        {"C:\\Retenciones\\", ""},
        {"dir/sub/file.txt", "dir/sub/file.txt"},
#else
        {"/opt/retenciones/Retenciones", "Retenciones"},
        {"/opt/retenciones/", ""},
        {"C:\\Retenciones\\file.txt", "C:\\Retenciones\\file.txt"},
        {"a:b", "a:b"},
#endif
        {"file.txt", "file.txt"},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FileNamePart(c.path), c.name) << c.path.toStdString();
}

TEST(Paths, ProgramFolderEndsWithItsSeparator)
{
    const QString expected = QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath() + "/";
    EXPECT_EQ(ProgramFolder(), expected) << "without an application object";

    int argc = 1;
    char arg0[] = "common_tests";
    char *argv[] = {arg0, nullptr};
    QCoreApplication app(argc, argv);
    EXPECT_EQ(ProgramFolder(), expected) << "with an application object";
    EXPECT_EQ(ProgramFolder() + FileNamePart(QCoreApplication::applicationFilePath()),
              QCoreApplication::applicationFilePath());
}

TEST(Paths, FileExistsAtOnlyForFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("203A00123.txt");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString locked = dir.filePath("locked.txt");
    {
        QFile f(locked);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    ASSERT_TRUE(QFile::link(file, dir.filePath("link.txt")));
    ASSERT_TRUE(QFile::link(dir.filePath("gone.txt"), dir.filePath("dangling.txt")));

    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const struct {
        QString name;
        bool exists;
    } cases[] = {
        {file, true},
        {"203A00123.txt", true}, // relative to the current folder
        {locked, true},
        {dir.filePath("link.txt"), true},
        {dir.filePath("dangling.txt"), false},
        {dir.filePath("folder"), false},
        {"folder", false},
        {dir.filePath("missing.txt"), false},
        {"", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FileExistsAt(c.name), c.exists) << c.name.toStdString();
    QDir::setCurrent(previous);
}

} // namespace

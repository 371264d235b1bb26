#include "db/lock_folder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

// The machine's lock folder is shared only when nobody else could have planted it.
TEST(LockFolder, MachineFolderIsSharedOnlyWhenTrustworthy)
{
    const struct {
        const char *name;
        std::function<bool(const QString &path, const QString &other)> prepare; // false: skip
        bool usable;
    } cases[] = {
        {"not there yet (the engine makes it)", [](const QString &, const QString &) { return true; }, true},
        {"the user's own, closed to others",
         [](const QString &p, const QString &) {
             return QDir().mkdir(p) && ::chmod(qPrintable(p), 0770) == 0;
         },
         true},
        {"writable by everybody",
         [](const QString &p, const QString &) {
             return QDir().mkdir(p) && ::chmod(qPrintable(p), 0777) == 0;
         },
         false},
        {"a link to a folder",
         [](const QString &p, const QString &other) { return QDir().mkdir(other) && QFile::link(other, p); },
         false},
        {"a plain file",
         [](const QString &p, const QString &) {
             QFile f(p);
             return f.open(QIODevice::WriteOnly);
         },
         false},
        {"another user's (only root can set this up)",
         [](const QString &p, const QString &) {
             return ::geteuid() == 0 && QDir().mkdir(p) && ::chmod(qPrintable(p), 0770) == 0 &&
                    ::chown(qPrintable(p), 65534, 65534) == 0;
         },
         false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("firebird"));
        if (!c.prepare(path, dir.filePath(QStringLiteral("other"))))
            continue;
        EXPECT_EQ(machineLockFolderUsable(path), c.usable);
    }
}

// The session's runtime folder serves only when it is the user's own and private.
TEST(LockFolder, PrivateFolderIsInARuntimeFolderOnlyWhenItIsPrivate)
{
    QTemporaryDir dir;
    const QByteArray previous = qgetenv("XDG_RUNTIME_DIR");
    const QString runtime = dir.filePath(QStringLiteral("run"));
    ASSERT_TRUE(QDir().mkdir(runtime));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    ::chmod(qPrintable(runtime), 0700);
    EXPECT_EQ(privateLockFolder(), runtime + QStringLiteral("/retenciones-firebird"));
    ::chmod(qPrintable(runtime), 0777);
    EXPECT_TRUE(privateLockFolder().endsWith(QStringLiteral("/Retenciones/firebird-lock")));
    qputenv("XDG_RUNTIME_DIR", previous);
}

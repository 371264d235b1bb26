#include "db/lock_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const uid_t Nobody = 65534;

bool makeFolder(const QString &path, mode_t mode, uid_t owner = uid_t(-1), gid_t group = gid_t(-1))
{
    return QDir().mkpath(path) && ::chmod(qPrintable(path), mode) == 0 &&
           (owner == uid_t(-1) || ::chown(qPrintable(path), owner, group) == 0);
}

uid_t engineAccount()
{
    const passwd *engine = ::getpwnam("firebird");
    return engine ? engine->pw_uid : uid_t(-1);
}
gid_t engineGroup()
{
    const group *engine = ::getgrnam("firebird");
    return engine ? engine->gr_gid : gid_t(-1);
}
bool asRootWithEngine()
{
    return ::geteuid() == 0 && engineAccount() != uid_t(-1) && engineGroup() != gid_t(-1);
}
} // namespace

// The machine's lock folder is shared only when nobody but root, the engine's account and its
// group could have planted or changed it; a missing one is never made.
TEST(LockFolder, MachineFolderIsSharedOnlyWhenTrustworthy)
{
    const bool root = ::geteuid() == 0;
    const struct {
        const char *name;
        const char *path;                                // under a temporary folder
        std::function<bool(const QString &dir)> prepare; // false: the case needs root, skipped
        bool usable;
    } cases[] = {
        {"not there", "firebird", [](const QString &) { return true; }, false},
        {"the user's own, closed to others", "firebird",
         [](const QString &d) { return makeFolder(d + "/firebird", 0700); }, root},
        {"writable by everybody", "firebird",
         [](const QString &d) { return makeFolder(d + "/firebird", 0777); }, false},
        {"writable by everybody, sticky", "firebird",
         [](const QString &d) { return makeFolder(d + "/firebird", 01777); }, false},
        {"a link to a folder", "firebird",
         [](const QString &d) {
             return makeFolder(d + "/other", 0770) && QFile::link(d + "/other", d + "/firebird");
         },
         false},
        {"a plain file", "firebird",
         [](const QString &d) {
             QFile f(d + "/firebird");
             return f.open(QIODevice::WriteOnly);
         },
         false},
        {"another user's", "firebird",
         [](const QString &d) {
             return ::geteuid() == 0 && makeFolder(d + "/firebird", 0770, Nobody, Nobody);
         },
         false},
        {"the engine's, for its group (as Debian leaves it)", "firebird",
         [](const QString &d) {
             return asRootWithEngine() && makeFolder(d + "/firebird", 0770, engineAccount(), engineGroup());
         },
         true},
        {"the engine's, writable by another group", "firebird",
         [](const QString &d) {
             return asRootWithEngine() && makeFolder(d + "/firebird", 0770, engineAccount(), Nobody);
         },
         false},
        {"the engine's, readable by another group", "firebird",
         [](const QString &d) {
             return asRootWithEngine() && makeFolder(d + "/firebird", 0750, engineAccount(), Nobody);
         },
         true},
        {"in a folder everybody writes", "open/firebird",
         [](const QString &d) {
             return makeFolder(d + "/open", 0777) && makeFolder(d + "/open/firebird", 0770);
         },
         false},
        {"in a folder everybody writes, sticky", "open/firebird",
         [](const QString &d) {
             return makeFolder(d + "/open", 01777) && makeFolder(d + "/open/firebird", 0700);
         },
         root},
        {"in another user's folder", "his/firebird",
         [](const QString &d) {
             return ::geteuid() == 0 && makeFolder(d + "/his", 0755, Nobody, Nobody) &&
                    makeFolder(d + "/his/firebird", 0770, 0, 0);
         },
         false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        if (!c.prepare(dir.path()))
            continue;
        EXPECT_EQ(machineLockFolderUsable(dir.filePath(QLatin1String(c.path))), c.usable);
        EXPECT_EQ(QFileInfo(dir.filePath(QLatin1String(c.path))).exists(),
                  std::string(c.name) != "not there");
    }
}

// Every folder and link on the way counts, from the root down: one that another user owns, or
// may write without the sticky bit, is named; a sticky folder is safe for entries of the user's
// own or root's; the rest of a path that is not there yet is the user's to make.
TEST(LockFolder, AnyFolderOnTheWayThatOthersCanChangeIsNamed)
{
    const struct {
        const char *name;
        std::function<bool(const QString &dir)> prepare; // false: the case needs root, skipped
        const char *path;
        const char *named; // under the temporary folder; "" for none
    } cases[] = {
        {"own folders closed to others", [](const QString &d) { return makeFolder(d + "/a/b", 0755); }, "a/b",
         ""},
        {"not there yet", [](const QString &d) { return makeFolder(d + "/a", 0700); }, "a/b/c", ""},
        {"a folder on the way open to all",
         [](const QString &d) { return makeFolder(d + "/a/b", 0755) && makeFolder(d + "/a", 0777); }, "a/b",
         "a"},
        {"the folder itself open to all", [](const QString &d) { return makeFolder(d + "/a/b", 0777); },
         "a/b", "a/b"},
        {"the folder itself sticky and open to all",
         [](const QString &d) { return makeFolder(d + "/a/b", 01777); }, "a/b", "a/b"},
        {"a sticky folder on the way, own entry",
         [](const QString &d) { return makeFolder(d + "/a/b", 0700) && makeFolder(d + "/a", 01777); }, "a/b",
         ""},
        {"a sticky folder on the way, another user's entry",
         [](const QString &d) {
             return ::geteuid() == 0 && makeFolder(d + "/a/b", 0700, Nobody, Nobody) &&
                    makeFolder(d + "/a", 01777);
         },
         "a/b/c", "a"},
        {"another user's folder on the way",
         [](const QString &d) {
             return ::geteuid() == 0 && makeFolder(d + "/a/b", 0755) &&
                    makeFolder(d + "/a", 0755, Nobody, Nobody);
         },
         "a/b", "a"},
        {"writable by a group of others",
         [](const QString &d) { return ::geteuid() == 0 && makeFolder(d + "/a", 0775, 0, Nobody); }, "a/b",
         "a"},
        {"a link to own folders",
         [](const QString &d) { return makeFolder(d + "/a/b", 0755) && QFile::link(d + "/a", d + "/l"); },
         "l/b", ""},
        {"a relative link through a folder open to all",
         [](const QString &d) {
             return makeFolder(d + "/open/b", 0755) && makeFolder(d + "/open", 0777) &&
                    makeFolder(d + "/a", 0755) && QFile::link(QStringLiteral("../open"), d + "/a/l");
         },
         "a/l/b", "open"},
        {"back up and down again", [](const QString &d) { return makeFolder(d + "/a/b", 0755); }, "a/b/../b",
         ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        if (!c.prepare(dir.path()))
            continue;
        const QString named = folderOthersCanChange(dir.filePath(QLatin1String(c.path)));
        EXPECT_EQ(named, *c.named ? dir.filePath(QLatin1String(c.named)) : QString());
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

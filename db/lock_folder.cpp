#include "db/lock_folder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#ifndef Q_OS_WIN
#include <cerrno>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
#ifndef Q_OS_WIN
bool ownedBySystem(uid_t owner)
{
    if (owner == 0 || owner == ::geteuid())
        return true;
    const passwd *engine = ::getpwnam("firebird");
    return engine && engine->pw_uid == owner;
}

// A folder of this user's that nobody else can enter.
bool isOwnPrivateFolder(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}
#endif
} // namespace

bool machineLockFolderUsable(const QString &path)
{
#ifndef Q_OS_WIN
    const QByteArray name = QFile::encodeName(path);
    struct stat info;
    if (::lstat(name.constData(), &info) != 0)
        return errno == ENOENT;
    return S_ISDIR(info.st_mode) && ownedBySystem(info.st_uid) && (info.st_mode & S_IWOTH) == 0 &&
           ::access(name.constData(), R_OK | W_OK | X_OK) == 0;
#else
    Q_UNUSED(path);
    return true;
#endif
}

QString privateLockFolder()
{
#ifndef Q_OS_WIN
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && isOwnPrivateFolder(runtime))
        return QDir(runtime).filePath(QStringLiteral("retenciones-firebird"));
#endif
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return cache.isEmpty() ? QString() : QDir(cache).filePath(QStringLiteral("Retenciones/firebird-lock"));
}

#include "db/lock_folder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStringList>

#include <vector>

#ifndef Q_OS_WIN
#include <cerrno>
#include <climits>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
#ifndef Q_OS_WIN
// Who may change a folder on the way without it being anybody else's doing.
struct Trust {
    std::vector<uid_t> owners;
    std::vector<gid_t> groups; // groups whose members may write in a folder
};

template <typename T> bool holds(const std::vector<T> &values, T value)
{
    for (const T v : values)
        if (v == value)
            return true;
    return false;
}

// Others may add, remove or rename what the folder holds.
bool writableByOthers(const struct stat &folder, const Trust &trust)
{
    return (folder.st_mode & S_IWOTH) || ((folder.st_mode & S_IWGRP) && !holds(trust.groups, folder.st_gid));
}

QByteArray readLink(const QByteArray &path)
{
    QByteArray target(PATH_MAX, '\0');
    const ssize_t length = ::readlink(path.constData(), target.data(), std::size_t(target.size()));
    return length < 0 ? QByteArray() : target.left(length);
}

// See folderOthersCanChange(); the folders and links must be owned by one of `trust.owners`.
QString changeableComponent(const QString &path, const Trust &trust)
{
    QStringList pending =
        QDir::isAbsolutePath(path) ? QStringList() : QDir::currentPath().split(QLatin1Char('/'));
    pending += path.split(QLatin1Char('/'));
    QStringList resolved; // the folders walked so far, below the root
    auto here = [&] { return QLatin1Char('/') + resolved.join(QLatin1Char('/')); };
    struct stat folder;
    if (::lstat("/", &folder) != 0 || !holds(trust.owners, folder.st_uid) || writableByOthers(folder, trust))
        return QStringLiteral("/");
    int links = 0;
    while (!pending.isEmpty()) {
        const QString name = pending.takeFirst();
        if (name.isEmpty() || name == QLatin1String("."))
            continue;
        if (name == QLatin1String("..")) {
            // Back to a folder already looked at.
            if (!resolved.isEmpty())
                resolved.removeLast();
            if (::lstat(QFile::encodeName(here()).constData(), &folder) != 0)
                return here();
            continue;
        }
        const QString next = resolved.isEmpty() ? QLatin1Char('/') + name : here() + QLatin1Char('/') + name;
        const QByteArray encoded = QFile::encodeName(next);
        struct stat entry;
        if (::lstat(encoded.constData(), &entry) != 0) {
            if (errno != ENOENT)
                return next;
            // What is not there yet this user makes, unless others could make it first: in a
            // sticky folder what they made would not be his, and is refused when looked at again.
            return writableByOthers(folder, trust) && !(folder.st_mode & S_ISVTX) ? here() : QString();
        }
        // In a folder others may write, only the sticky bit keeps them off entries not theirs.
        if (writableByOthers(folder, trust) &&
            !((folder.st_mode & S_ISVTX) && holds(trust.owners, entry.st_uid)))
            return here();
        if (S_ISLNK(entry.st_mode)) {
            const QString target = QFile::decodeName(readLink(encoded));
            if (target.isEmpty() || ++links > 40)
                return next;
            if (QDir::isAbsolutePath(target)) {
                resolved.clear();
                ::lstat("/", &folder);
            }
            pending = target.split(QLatin1Char('/')) + pending;
            continue;
        }
        if (!holds(trust.owners, entry.st_uid))
            return next;
        if (!S_ISDIR(entry.st_mode))
            return {}; // no way on: whoever goes there is refused
        resolved << name;
        folder = entry;
    }
    // Nobody else may put anything in the folder itself.
    return writableByOthers(folder, trust) ? here() : QString();
}

// This user's own group, when nobody else is in it: a folder he lets it write stays his alone.
std::vector<gid_t> privateGroup()
{
    const passwd *user = ::getpwuid(::geteuid());
    const group *own = user ? ::getgrgid(user->pw_gid) : nullptr;
    if (!own || qstrcmp(own->gr_name, user->pw_name) != 0)
        return {};
    for (char **member = own->gr_mem; *member; ++member)
        if (qstrcmp(*member, user->pw_name) != 0)
            return {};
    return {own->gr_gid};
}

Trust ownTrust()
{
    return {{0, ::geteuid()}, privateGroup()};
}

// A folder of this user's that nobody else can enter, on a path only he and root can change.
bool isOwnPrivateFolder(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0 &&
           changeableComponent(path, ownTrust()).isEmpty();
}
#endif
} // namespace

bool machineLockFolderUsable(const QString &path)
{
#ifndef Q_OS_WIN
    const passwd *engine = ::getpwnam("firebird");
    const group *engineGroup = ::getgrnam("firebird");
    Trust trust{{0}, {}};
    if (engine)
        trust.owners.push_back(engine->pw_uid);
    if (engineGroup)
        trust.groups.push_back(engineGroup->gr_gid);
    const QByteArray name = QFile::encodeName(path);
    struct stat info;
    if (::lstat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    return changeableComponent(path, trust).isEmpty() && ::access(name.constData(), R_OK | W_OK | X_OK) == 0;
#else
    Q_UNUSED(path);
    return true;
#endif
}

QString privateRuntimeFolder()
{
#ifndef Q_OS_WIN
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && isOwnPrivateFolder(runtime))
        return runtime;
#endif
    return {};
}

QString privateLockFolder()
{
    const QString runtime = privateRuntimeFolder();
    if (!runtime.isEmpty())
        return QDir(runtime).filePath(QStringLiteral("retenciones-firebird"));
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return cache.isEmpty() ? QString() : QDir(cache).filePath(QStringLiteral("Retenciones/firebird-lock"));
}

QString folderOthersCanChange(const QString &path)
{
#ifndef Q_OS_WIN
    return changeableComponent(path, ownTrust());
#else
    Q_UNUSED(path);
    return {};
#endif
}

QString changeableFolderText(const QString &folder)
{
    return QStringLiteral(
               "Otro usuario de esta máquina puede cambiar la carpeta %1 (es de otro usuario o "
               "tiene permiso de escritura para otros), y el programa guarda allí, o debajo, la "
               "configuración de Firebird: no abre la base de datos con una configuración que otro "
               "podría reemplazar. Pida al administrador que corrija esa carpeta (por ejemplo, "
               "chmod o-w,g-w) o inicie el programa con HOME o XDG_CACHE_HOME en una carpeta solo "
               "suya, y vuelva a intentar.")
        .arg(folder);
}

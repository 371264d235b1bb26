#include "common/safe_file.h"

#include "common/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
#ifdef Q_OS_UNIX
int writeAll(int fd, const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        p += n;
        left -= n;
    }
    return 0;
}
#endif
} // namespace

QString freshSiblingName(const QString &path, const QString &suffix)
{
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString name = path + QLatin1Char('.');
    for (int i = 0; i < 16; ++i)
        name += QLatin1Char(Letters[QRandomGenerator::system()->bounded(int(sizeof Letters - 1))]);
    return name + suffix;
}

int createExclusively(const QString &path)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? -errno : fd;
#else
    Q_UNUSED(path);
    return -ENOSYS;
#endif
}

int syncFolderOf(const QString &path)
{
#ifdef Q_OS_UNIX
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    // Some file systems (network shares among them) cannot sync a folder; the rename stands.
    const int error = ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP ? 0 : errno;
    ::close(fd);
    return error;
#else
    Q_UNUSED(path);
    return 0;
#endif
}

int renameOver(const QString &from, const QString &to)
{
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()),
                            std::filesystem::path(to.toStdU16String()), error);
    if (error)
        return error.value();
    // The file is in place whatever the folder's sync says; it only makes the rename durable.
    syncFolderOf(to);
    return 0;
}

namespace {
#ifdef Q_OS_UNIX
// Gives the complete file `part` the name `path` when nothing stands under it. A second name
// (link) is refused by the system when the name exists, in one step; where the file system has
// no second names, the rename that refuses an existing name; where it has neither, a rename
// after a look at the name.
int nameWithoutReplacing(const QString &part, const QString &path)
{
    const QByteArray from = QFile::encodeName(part);
    const QByteArray to = QFile::encodeName(path);
    int error = ::link(from.constData(), to.constData()) == 0 ? 0 : errno;
    if (error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == EMLINK || error == ENOSYS) {
        error = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0
                    ? 0
                    : errno;
        if (error == EINVAL || error == ENOSYS) {
            struct stat info;
            if (::lstat(to.constData(), &info) == 0)
                error = EEXIST;
            else
                error = ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
        }
        if (!error)
            return 0;
    }
    ::unlink(from.constData());
    return error;
}

int writeFile(const QString &path, const QByteArray &bytes, bool replace)
{
    const QString part = freshSiblingName(path, QStringLiteral(".part"));
    // Written without a name where the file system allows it, so that a process killed half-way
    // leaves nothing behind; it gets a name only once its bytes are on the disk.
    bool unnamed = false;
#ifdef O_TMPFILE
    int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                    O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    unnamed = fd >= 0;
    if (!unnamed)
#else
    int fd;
#endif
    {
        fd = createExclusively(part);
        if (fd < 0)
            return -fd;
    }
    int error = writeAll(fd, bytes);
    if (!error && ::fsync(fd) != 0)
        error = errno;
    bool named = false;
    if (!error && unnamed) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        // A file that must not replace anything takes its own name straight away.
        const QString first = replace ? part : path;
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, QFile::encodeName(first).constData(),
                     AT_SYMLINK_FOLLOW) != 0)
            error = errno;
        named = !error && !replace;
    }
    if (::close(fd) != 0 && !error)
        error = errno;
    if (error) {
        if (!named)
            QFile::remove(part);
        return error;
    }
    if (named)
        syncFolderOf(path);
    else if (replace)
        error = renameOver(part, path);
    else if (!(error = nameWithoutReplacing(part, path)))
        syncFolderOf(path);
    if (error)
        QFile::remove(part);
    return error;
}
#endif
} // namespace

int writeFileSafely(const QString &path, const QByteArray &bytes)
{
#ifdef Q_OS_UNIX
    return writeFile(path, bytes, true);
#else
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? 0 : EIO;
#endif
}

int writeNewFile(const QString &path, const QByteArray &bytes)
{
#ifdef Q_OS_UNIX
    return writeFile(path, bytes, false);
#else
    if (QFileInfo::exists(path))
        return EEXIST;
    QFile file(path);
    return file.open(QIODevice::NewOnly) && file.write(bytes) == bytes.size() ? 0 : EIO;
#endif
}

int keepUnderNewName(const QString &from, const QString &to)
{
#ifdef Q_OS_UNIX
    const QByteArray source = QFile::encodeName(from);
    struct stat before;
    if (::lstat(source.constData(), &before) != 0)
        return errno;
    if (S_ISLNK(before.st_mode))
        return ELOOP;
    if (!S_ISREG(before.st_mode))
        return EINVAL;
    // A second name costs nothing and is made in one step; the system never follows a link
    // under either name for it.
    if (::linkat(AT_FDCWD, source.constData(), AT_FDCWD, QFile::encodeName(to).constData(), 0) == 0) {
        syncFolderOf(to);
        return 0;
    }
    const int error = errno;
    // Another file system, one without second names, or a file of someone else's that the
    // system does not let this user link: a copy.
    if (error != EXDEV && error != EPERM && error != EMLINK && error != ENOTSUP && error != EOPNOTSUPP &&
        error != ENOSYS)
        return error;
    const int fd = ::open(source.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat opened;
    if (::fstat(fd, &opened) != 0 || opened.st_dev != before.st_dev || opened.st_ino != before.st_ino) {
        ::close(fd);
        return EAGAIN; // replaced while it was looked at
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return EIO;
    }
    const QByteArray bytes = file.readAll();
    const bool read = file.error() == QFileDevice::NoError;
    file.close();
    return read ? writeNewFile(to, bytes) : EIO;
#else
    if (QFileInfo::exists(to))
        return EEXIST;
    return QFile::copy(from, to) ? 0 : EIO;
#endif
}

namespace {
// A folder of this user's, made with `mode` (less the umask) when missing; one that others may
// enter is refused too when `alone`.
bool ensureFolder(const QString &path, mode_t mode, bool alone, QString *why)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), mode) != 0 && errno != EEXIST) {
        if (why)
            *why = QStringLiteral("No se puede crear la carpeta %1: %2.").arg(path, systemErrorText(errno));
        return false;
    }
    struct stat info;
    const bool own =
        ::lstat(name.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
    if (own && (!alone || (info.st_mode & 077) == 0))
        return true;
    if (why)
        *why =
            alone
                ? QStringLiteral("La carpeta %1 no es una carpeta propia y privada (de su usuario, permisos "
                                 "0700); otro usuario pudo haberla creado. Bórrela o corrija sus permisos "
                                 "y vuelva a intentar.")
                      .arg(path)
                : QStringLiteral("%1 no es una carpeta suya (es un enlace, un archivo o la carpeta de otro "
                                 "usuario): no se guarda nada en ella. Bórrela o muévala y vuelva a "
                                 "intentar.")
                      .arg(path);
    return false;
#else
    Q_UNUSED(mode);
    Q_UNUSED(alone);
    Q_UNUSED(why);
    return QDir().mkpath(path);
#endif
}
} // namespace

bool ensureOwnFolder(const QString &path, QString *why)
{
    return ensureFolder(path, 0777, false, why);
}

bool ensurePrivateFolder(const QString &path, QString *why)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    return ensureFolder(path, 0700, true, why);
}

#include "common/safe_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
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

int writeFileSafely(const QString &path, const QByteArray &bytes)
{
#ifdef Q_OS_UNIX
    const QString part = freshSiblingName(path, QStringLiteral(".part"));
    // Written without a name where the file system allows it, so that a process killed half-way
    // leaves nothing behind; it gets its fresh name only once its bytes are on the disk.
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
    if (!error && unnamed) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, QFile::encodeName(part).constData(),
                     AT_SYMLINK_FOLLOW) != 0)
            error = errno;
    }
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error)
        error = renameOver(part, path);
    if (error)
        QFile::remove(part);
    return error;
#else
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? 0 : EIO;
#endif
}

bool ensurePrivateFolder(const QString &path, QString *why)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
        if (why)
            *why = QStringLiteral("No se puede crear la carpeta %1: %2.")
                       .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat info;
    if (::lstat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() ||
        (info.st_mode & 077) != 0) {
        if (why)
            *why = QStringLiteral("La carpeta %1 no es una carpeta propia y privada (de su usuario, permisos "
                                  "0700); otro usuario pudo haberla creado. Bórrela o corrija sus permisos "
                                  "y vuelva a intentar.")
                       .arg(path);
        return false;
    }
    return true;
#else
    Q_UNUSED(why);
    return QDir().mkpath(path);
#endif
}

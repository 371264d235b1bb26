#include "common/own_folder.h"

#include "common/errors.h"
#include "common/safe_file.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QByteArray encoded(const QString &name)
{
    return QFile::encodeName(name);
}

// A name of one component: no folder separators, not "." or "..".
bool plainName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

QByteArray freshName(const QString &name, const char *suffix)
{
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray fresh = encoded(name) + '.';
    for (int i = 0; i < 16; ++i)
        fresh += Letters[QRandomGenerator::system()->bounded(int(sizeof Letters - 1))];
    return fresh + suffix;
}

int syncFolder(int fd)
{
    // Some file systems (network shares among them) cannot sync a folder; what was done stands.
    return ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP ? 0 : errno;
}

// Reads an opened plain file whole.
int readOpened(int fd, QByteArray &bytes, qint64 maxBytes)
{
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return errno;
    if (!S_ISREG(info.st_mode))
        return EINVAL;
    if (info.st_size > maxBytes)
        return EFBIG;
    QByteArray read;
    read.resize(static_cast<qsizetype>(info.st_size) + 1);
    qsizetype used = 0;
    for (;;) {
        if (used == read.size()) {
            if (used > maxBytes)
                return EFBIG;
            read.resize(read.size() * 2);
        }
        const ssize_t n = ::read(fd, read.data() + used, static_cast<size_t>(read.size() - used));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            break;
        used += n;
    }
    if (used > maxBytes)
        return EFBIG;
    read.truncate(used);
    bytes = std::move(read);
    return 0;
}

bool openChild(int parent, const QString &parentPath, const QString &name, int &fd, QString *why)
{
    const QString shown = QDir::toNativeSeparators(QDir(parentPath).filePath(name));
    const auto refuse = [&](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    if (!plainName(name))
        return refuse(QStringLiteral("%1 no es un nombre de carpeta válido.").arg(shown));
    const QByteArray n = encoded(name);
    if (::mkdirat(parent, n.constData(), 0777) != 0 && errno != EEXIST)
        return refuse(
            QStringLiteral("No se puede crear la carpeta %1: %2.").arg(shown, systemErrorText(errno)));
    fd = ::openat(parent, n.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info;
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid())
        return true;
    if (fd >= 0)
        ::close(fd);
    fd = -1;
    return refuse(
        QStringLiteral("%1 no es una carpeta suya (es un enlace, un archivo o la carpeta de otro "
                       "usuario): no se guarda nada en ella. Bórrela o muévala y vuelva a intentar.")
            .arg(shown));
}
} // namespace

OwnFolder::~OwnFolder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

OwnFolder::OwnFolder(OwnFolder &&other) noexcept : fd_(other.fd_), path_(std::move(other.path_))
{
    other.fd_ = -1;
}

OwnFolder &OwnFolder::operator=(OwnFolder &&other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

bool OwnFolder::openOwn(const QString &parentPath, const QString &name, OwnFolder &folder, QString *why)
{
    const int parent = ::open(encoded(parentPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0) {
        if (why)
            *why = QStringLiteral("No se puede abrir la carpeta %1: %2.")
                       .arg(QDir::toNativeSeparators(parentPath), systemErrorText(errno));
        return false;
    }
    int fd = -1;
    const bool opened = openChild(parent, parentPath, name, fd, why);
    ::close(parent);
    if (!opened)
        return false;
    folder = OwnFolder();
    folder.fd_ = fd;
    folder.path_ = QDir(parentPath).filePath(name);
    return true;
}

bool OwnFolder::openOwnChild(const QString &name, OwnFolder &folder, QString *why) const
{
    int fd = -1;
    if (!openChild(fd_, path_, name, fd, why))
        return false;
    folder = OwnFolder();
    folder.fd_ = fd;
    folder.path_ = QDir(path_).filePath(name);
    return true;
}

QString OwnFolder::filePath(const QString &name) const
{
    return QDir(path_).filePath(name);
}

int OwnFolder::entry(const QString &name, struct stat &info) const
{
    if (!plainName(name))
        return EINVAL;
    return ::fstatat(fd_, encoded(name).constData(), &info, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

int OwnFolder::writeFile(const QString &name, const QByteArray &bytes) const
{
    if (!plainName(name))
        return EINVAL;
    const QByteArray target = encoded(name);
    QByteArray part;
    // Without a name while it is written where the file system allows it, so that a process
    // killed half-way leaves nothing behind.
    int fd = ::openat(fd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    const bool unnamed = fd >= 0;
    if (!unnamed) {
        part = freshName(name, ".part");
        do {
            fd = ::openat(fd_, part.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0)
            return errno;
    }
    int error = writeAll(fd, bytes);
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (!error && unnamed) {
        part = freshName(name, ".part");
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        if (::linkat(AT_FDCWD, self.constData(), fd_, part.constData(), AT_SYMLINK_FOLLOW) != 0) {
            error = errno;
            part.clear();
        }
    }
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::renameat(fd_, part.constData(), fd_, target.constData()) != 0)
        error = errno;
    if (error) {
        if (!part.isEmpty())
            ::unlinkat(fd_, part.constData(), 0);
        return error;
    }
    syncFolder(fd_);
    return 0;
}

int OwnFolder::keepUnderNewName(const QString &name, const OwnFolder &to, const QString &newName) const
{
    if (!plainName(name) || !plainName(newName))
        return EINVAL;
    const QByteArray source = encoded(name);
    const QByteArray target = encoded(newName);
    struct stat before;
    if (::fstatat(fd_, source.constData(), &before, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (S_ISLNK(before.st_mode))
        return ELOOP;
    if (!S_ISREG(before.st_mode))
        return EINVAL;
    // A second name is made in one step and never follows a link under either name.
    if (::linkat(fd_, source.constData(), to.fd_, target.constData(), 0) == 0) {
        syncFolder(to.fd_);
        return 0;
    }
    const int error = errno;
    if (error != EXDEV && error != EPERM && error != EMLINK && error != ENOTSUP && error != EOPNOTSUPP &&
        error != ENOSYS)
        return error;
    QByteArray bytes;
    if (const int read = readFile(name, bytes, std::numeric_limits<qint64>::max() / 2))
        return read;
    // The copy takes its name only once complete, and only when nothing stands under it.
    const QByteArray part = freshName(newName, ".part");
    int fd;
    do {
        fd = ::openat(to.fd_, part.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno;
    int failed = writeAll(fd, bytes);
    if (!failed && ::fsync(fd) != 0)
        failed = errno;
    if (::close(fd) != 0 && !failed)
        failed = errno;
    if (!failed && ::renameat2(to.fd_, part.constData(), to.fd_, target.constData(), RENAME_NOREPLACE) != 0)
        failed = errno;
    if (failed) {
        ::unlinkat(to.fd_, part.constData(), 0);
        return failed;
    }
    syncFolder(to.fd_);
    return 0;
}

int OwnFolder::readFile(const QString &name, QByteArray &bytes, qint64 maxBytes) const
{
    if (!plainName(name))
        return EINVAL;
    const int fd = ::openat(fd_, encoded(name).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = readOpened(fd, bytes, maxBytes);
    ::close(fd);
    return error;
}

int readPlainFileAtMost(const QString &path, QByteArray &bytes, qint64 maxBytes)
{
    const int fd = ::open(encoded(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = readOpened(fd, bytes, maxBytes);
    ::close(fd);
    return error;
}

#include "common/safe_file.h"

#include "common/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

namespace {
QString randomLetters()
{
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString name;
    for (int i = 0; i < 16; ++i)
        name += QLatin1Char(Letters[QRandomGenerator::system()->bounded(int(sizeof Letters - 1))]);
    return name;
}
} // namespace

QString freshSiblingName(const QString &path, const QString &suffix)
{
    return path + QLatin1Char('.') + randomLetters() + suffix;
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

namespace {
#ifdef Q_OS_UNIX
int syncFolder(int dirfd)
{
    // Some file systems (network shares among them) cannot sync a folder; the rename stands.
    return ::fsync(dirfd) == 0 || errno == EINVAL || errno == ENOTSUP ? 0 : errno;
}

// The folder that holds `path`, opened as it is reached by its path.
int openFolderOf(const QString &path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fd < 0 ? -errno : fd;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};
#endif
} // namespace

int syncFolderOf(const QString &path)
{
#ifdef Q_OS_UNIX
    const Descriptor folder(openFolderOf(path));
    return folder.get() < 0 ? -folder.get() : syncFolder(folder.get());
#else
    Q_UNUSED(path);
    return 0;
#endif
}

int renameOver(const QString &from, const QString &to, bool syncFolder)
{
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()),
                            std::filesystem::path(to.toStdU16String()), error);
    if (error)
        return error.value();
    // The file is in place whatever the folder's sync says; it only makes the rename durable.
    if (syncFolder)
        syncFolderOf(to);
    return 0;
}

namespace {
#ifdef Q_OS_UNIX
// Gives the complete file `part` the name `name` in the folder when nothing stands under it. A
// second name (link) is refused by the system when the name exists, in one step; where the file
// system has no second names, the rename that refuses an existing name; where it has neither, a
// rename after a look at the name.
int nameWithoutReplacing(int dirfd, const QByteArray &part, const QByteArray &name)
{
    int error = ::linkat(dirfd, part.constData(), dirfd, name.constData(), 0) == 0 ? 0 : errno;
    if (error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == EMLINK || error == ENOSYS) {
        error =
            ::renameat2(dirfd, part.constData(), dirfd, name.constData(), RENAME_NOREPLACE) == 0 ? 0 : errno;
        if (error == EINVAL || error == ENOSYS) {
            struct stat info;
            if (::fstatat(dirfd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0)
                error = EEXIST;
            else
                error = ::renameat(dirfd, part.constData(), dirfd, name.constData()) == 0 ? 0 : errno;
        }
        if (!error)
            return 0;
    }
    ::unlinkat(dirfd, part.constData(), 0);
    return error;
}

int writeAt(int dirfd, const QString &fileName, const QByteArray &bytes, bool replace)
{
    const QByteArray name = QFile::encodeName(fileName);
    const QByteArray part = QFile::encodeName(fileName + QLatin1Char('.') + randomLetters() + ".part");
    // Written without a name where the file system allows it, so that a process killed half-way
    // leaves nothing behind; it gets a name only once its bytes are on the disk.
    bool unnamed = false;
#ifdef O_TMPFILE
    int fd = ::openat(dirfd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    unnamed = fd >= 0;
    if (!unnamed)
#else
    int fd;
#endif
    {
        do {
            fd =
                ::openat(dirfd, part.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0)
            return errno;
    }
    const Descriptor file(fd);
    // Held until the file has its own name: whoever clears away what killed writers left knows
    // it from a file being written.
    ::flock(fd, LOCK_EX);
    bool partNamed = !unnamed;
    int error = writeAll(fd, bytes);
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (!error && unnamed) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        // A file that must not replace anything takes its own name straight away.
        if (::linkat(AT_FDCWD, self.constData(), dirfd, (replace ? part : name).constData(),
                     AT_SYMLINK_FOLLOW) != 0)
            error = errno;
        partNamed = !error && replace;
        if (!error && !replace) {
            syncFolder(dirfd);
            return 0;
        }
    }
    if (!error) {
        if (replace)
            error = ::renameat(dirfd, part.constData(), dirfd, name.constData()) == 0 ? 0 : errno;
        else
            error = nameWithoutReplacing(dirfd, part, name);
    }
    if (error) {
        if (partNamed)
            ::unlinkat(dirfd, part.constData(), 0);
        return error;
    }
    syncFolder(dirfd);
    return 0;
}

int keepAt(const QString &from, int dirfd, const QString &toName)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray to = QFile::encodeName(toName);
    struct stat before;
    if (::lstat(source.constData(), &before) != 0)
        return errno;
    if (S_ISLNK(before.st_mode))
        return ELOOP;
    if (!S_ISREG(before.st_mode))
        return EINVAL;
    // A second name costs nothing and is made in one step; the system never follows a link
    // under either name for it.
    if (::linkat(AT_FDCWD, source.constData(), dirfd, to.constData(), 0) == 0) {
        syncFolder(dirfd);
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
    return read ? writeAt(dirfd, toName, bytes, false) : EIO;
}

int writeFile(const QString &path, const QByteArray &bytes, bool replace)
{
    const Descriptor folder(openFolderOf(path));
    if (folder.get() < 0)
        return -folder.get();
    return writeAt(folder.get(), QFileInfo(path).fileName(), bytes, replace);
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
    const Descriptor folder(openFolderOf(to));
    if (folder.get() < 0)
        return -folder.get();
    return keepAt(from, folder.get(), QFileInfo(to).fileName());
#else
    if (QFileInfo::exists(to))
        return EEXIST;
    return QFile::copy(from, to) ? 0 : EIO;
#endif
}

bool readPlainFile(const QString &path, QByteArray &bytes)
{
#ifdef Q_OS_UNIX
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info;
    QFile file;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
#else
    QFile file(path);
    if (QFileInfo(path).isSymLink() || !file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return true;
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

OpenedFolder::~OpenedFolder()
{
#ifdef Q_OS_UNIX
    if (fd_ >= 0)
        ::close(fd_);
#endif
}

OpenedFolder::OpenedFolder(OpenedFolder &&other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), made_(other.made_)
{
}

OpenedFolder &OpenedFolder::operator=(OpenedFolder &&other) noexcept
{
    if (this != &other) {
#ifdef Q_OS_UNIX
        if (fd_ >= 0)
            ::close(fd_);
#endif
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        made_ = other.made_;
    }
    return *this;
}

bool OpenedFolder::open(const QString &path, bool create, bool own, QString *why)
{
    *this = OpenedFolder();
    path_ = path;
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    if (create) {
        if (::mkdir(name.constData(), 0777) == 0) {
            made_ = true;
        } else if (errno != EEXIST) {
            if (why)
                *why =
                    QStringLiteral("No se puede crear la carpeta %1: %2.").arg(path, systemErrorText(errno));
            return false;
        }
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info;
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && (!own || info.st_uid == ::geteuid())) {
        fd_ = fd;
        return true;
    }
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    if (why)
        *why =
            fd < 0 && error == ENOENT
                ? QStringLiteral("No se encuentra la carpeta %1.").arg(path)
                : QStringLiteral("%1 no es una carpeta suya (es un enlace, un archivo o la carpeta de otro "
                                 "usuario): no se guarda nada en ella. Bórrela o muévala y vuelva a "
                                 "intentar.")
                      .arg(path);
    return false;
#else
    Q_UNUSED(own);
    made_ = create && !QFileInfo::exists(path);
    if ((create && !QDir().mkpath(path)) || !QFileInfo(path).isDir()) {
        if (why)
            *why = QStringLiteral("No se puede crear la carpeta %1.").arg(path);
        return false;
    }
    fd_ = 0;
    return true;
#endif
}

QString OpenedFolder::filePath(const QString &name) const
{
    return QDir(path_).filePath(name);
}

int OpenedFolder::writeFileSafely(const QString &name, const QByteArray &bytes) const
{
#ifdef Q_OS_UNIX
    return fd_ < 0 ? EBADF : writeAt(fd_, name, bytes, true);
#else
    return ::writeFileSafely(filePath(name), bytes);
#endif
}

int OpenedFolder::writeNewFile(const QString &name, const QByteArray &bytes) const
{
#ifdef Q_OS_UNIX
    return fd_ < 0 ? EBADF : writeAt(fd_, name, bytes, false);
#else
    return ::writeNewFile(filePath(name), bytes);
#endif
}

int OpenedFolder::keepUnderNewName(const QString &from, const QString &name) const
{
#ifdef Q_OS_UNIX
    return fd_ < 0 ? EBADF : keepAt(from, fd_, name);
#else
    return ::keepUnderNewName(from, filePath(name));
#endif
}

int OpenedFolder::openPlain(const QString &name) const
{
#ifdef Q_OS_UNIX
    if (fd_ < 0)
        return -EBADF;
    const int fd =
        ::openat(fd_, QFile::encodeName(name).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -EINVAL;
    }
    return fd;
#else
    Q_UNUSED(name);
    return -ENOSYS;
#endif
}

bool OpenedFolder::readPlain(const QString &name, QByteArray &bytes) const
{
#ifdef Q_OS_UNIX
    const int fd = openPlain(name);
    if (fd < 0)
        return false;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
#else
    QFile file(filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return true;
#endif
}

QDateTime OpenedFolder::modified(const QString &name) const
{
#ifdef Q_OS_UNIX
    struct stat info;
    if (fd_ < 0 || ::fstatat(fd_, QFile::encodeName(name).constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode))
        return {};
    return QDateTime::fromSecsSinceEpoch(info.st_mtim.tv_sec);
#else
    const QFileInfo info(filePath(name));
    return info.isFile() && !info.isSymLink() ? info.lastModified() : QDateTime();
#endif
}

int OpenedFolder::remove(const QString &name) const
{
#ifdef Q_OS_UNIX
    if (fd_ < 0)
        return EBADF;
    if (::unlinkat(fd_, QFile::encodeName(name).constData(), 0) != 0)
        return errno;
    syncFolder(fd_);
    return 0;
#else
    return QFile::remove(filePath(name)) ? 0 : EIO;
#endif
}

QStringList OpenedFolder::names() const
{
#ifdef Q_OS_UNIX
    QStringList names;
    if (fd_ < 0)
        return names;
    // A descriptor of its own: reading the folder moves its position.
    const int fd = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return names;
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return names;
    }
    while (const dirent *entry = ::readdir(dir)) {
        if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
            names << QFile::decodeName(entry->d_name);
    }
    ::closedir(dir);
    return names;
#else
    return QDir(path_).entryList(QDir::Files | QDir::Hidden | QDir::System);
#endif
}

bool isTemporaryName(const QString &name, const QString &suffix)
{
    static const QRegularExpression random(QStringLiteral("^.+\\.[A-Za-z0-9]{16}$"));
    return name.endsWith(suffix) && random.match(QStringView(name).chopped(suffix.size())).hasMatch();
}

TemporaryFileClaim::TemporaryFileClaim(const QString &path)
{
#ifdef Q_OS_UNIX
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd_ >= 0)
        ::flock(fd_, LOCK_EX);
#else
    Q_UNUSED(path);
#endif
}

TemporaryFileClaim::~TemporaryFileClaim()
{
#ifdef Q_OS_UNIX
    if (fd_ >= 0)
        ::close(fd_);
#endif
}

int claimLeftover(const OpenedFolder &folder, const QString &name)
{
#ifdef Q_OS_UNIX
    const int fd = folder.openPlain(name);
    if (fd < 0)
        return -1;
    struct stat info;
    if (::fstat(fd, &info) != 0 || info.st_uid != ::geteuid() || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
#else
    Q_UNUSED(folder);
    Q_UNUSED(name);
    return -1;
#endif
}

bool removeClaimedLeftover(const OpenedFolder &folder, const QString &name, int fd)
{
#ifdef Q_OS_UNIX
    struct stat held, named;
    const bool same = ::fstat(fd, &held) == 0 &&
                      ::fstatat(folder.descriptor(), QFile::encodeName(name).constData(), &named,
                                AT_SYMLINK_NOFOLLOW) == 0 &&
                      held.st_dev == named.st_dev && held.st_ino == named.st_ino;
    const bool removed = same && folder.remove(name) == 0;
    ::close(fd);
    return removed;
#else
    Q_UNUSED(folder);
    Q_UNUSED(name);
    Q_UNUSED(fd);
    return false;
#endif
}

int removeLeftovers(const OpenedFolder &folder, const QString &suffix)
{
    int removed = 0;
    for (const QString &name : folder.names()) {
        if (!isTemporaryName(name, suffix))
            continue;
        const int fd = claimLeftover(folder, name);
        if (fd >= 0 && removeClaimedLeftover(folder, name, fd))
            ++removed;
    }
    return removed;
}

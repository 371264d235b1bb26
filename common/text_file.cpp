#include "common/text_file.h"

#include "common/codepage.h"
#include "common/errors.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

thread_local int pendingIoError = 0;

// Codes as the declaration's Windows desktop reports them.
constexpr int FileNotFound = 2;
constexpr int PathNotFound = 3;
constexpr int TooManyOpenFiles = 4;
constexpr int AccessDenied = 5;
constexpr int WriteFault = 29;
constexpr int ReadFault = 30;
constexpr int GeneralFailure = 31;
constexpr int SharingViolation = 32;
constexpr int DiskFullOnWrite = 101;
constexpr int DiskFull = 112;
constexpr int NotOpen = 103;
constexpr int NotOpenForReading = 104;
constexpr int NotOpenForWriting = 105;
constexpr int FileExists = 80;

constexpr char LineFeed = 10;
constexpr char CarriageReturn = 13;
constexpr char EndOfFileMark = 26;

void setIoError(int code)
{
    if (pendingIoError == 0)
        pendingIoError = code;
}

// A missing file is "not found" when its folder exists, else the path is wrong.
int missingFileCode(const QString &name)
{
    if (name.isEmpty())
        return PathNotFound;
    return QFileInfo(QFileInfo(name).absolutePath()).isDir() ? FileNotFound : PathNotFound;
}

int openErrorCode(int error, const QString &name)
{
    switch (error) {
    case ENOENT:
        return missingFileCode(name);
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return AccessDenied;
    case EMFILE:
    case ENFILE:
        return TooManyOpenFiles;
    case ETXTBSY:
    case EBUSY:
        return SharingViolation;
    case ENOSPC:
    case EDQUOT:
        return DiskFull;
    case EEXIST:
        return FileExists;
    default:
        return GeneralFailure;
    }
}

int writeErrorCode(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return DiskFullOnWrite;
    case EACCES:
    case EPERM:
        return AccessDenied;
    default:
        return WriteFault;
    }
}

bool writeAll(int fd, const char *bytes, qsizetype count, int &code)
{
    while (count > 0) {
        const ssize_t n = ::write(fd, bytes, static_cast<size_t>(count));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            code = writeErrorCode(errno);
            return false;
        }
        if (n == 0) {
            // The system took nothing: the disk is full.
            code = DiskFullOnWrite;
            return false;
        }
        bytes += n;
        count -= n;
    }
    return true;
}

} // namespace

TextFile::~TextFile()
{
    close();
}

int TextFile::flush()
{
    if (mode_ != Mode::Writing || pos_ == 0)
        return 0;
    int code = 0;
    const int count = static_cast<int>(pos_);
    // The buffer is spent even when the write fails: its bytes are not written twice.
    pos_ = 0;
    if (writeAll(fd_, buffer_, count, code) && digest_)
        digest_(QByteArrayView(buffer_, count));
    return code;
}

int TextFile::close()
{
    if (mode_ == Mode::Closed)
        return 0;
    int code = flush();
    if (fd_ >= 0 && ::close(fd_) != 0 && code == 0 && errno != EINTR)
        code = mode_ == Mode::Writing ? writeErrorCode(errno) : ReadFault;
    fd_ = -1;
    mode_ = Mode::Closed;
    pos_ = 0;
    end_ = 0;
    // A variable read from memory gets its own buffer back.
    memory_ = QByteArray();
    buffer_ = largeBuffer_ ? largeBuffer_.get() : ownBuffer_;
    return code;
}

void TextFile::readFromMemory(QByteArray bytes)
{
    memory_ = std::move(bytes);
    // Only ever read from, so the bytes are not copied for a buffer of their own.
    buffer_ = const_cast<char *>(memory_.constData());
    mode_ = Mode::Reading;
    pos_ = 0;
    end_ = memory_.size();
}

void TextFile::open(OpenKind kind)
{
    if (const int code = close()) {
        setIoError(code);
        return;
    }
    int flags = O_CLOEXEC;
    switch (kind) {
    case OpenKind::Read:
        flags |= O_RDONLY;
        break;
    case OpenKind::Create:
        flags |= O_WRONLY | O_CREAT | O_TRUNC;
        break;
    case OpenKind::CreateNew:
        // Nothing that is already there, a link least of all, is ever written through.
        flags |= O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW;
        break;
    case OpenKind::Append:
        flags |= O_WRONLY | O_APPEND;
        break;
    }
    // Others may read the file meanwhile; Linux has no share modes to ask for.
    const QByteArray path = QFile::encodeName(name_);
    int fd;
    do {
        fd = ::open(path.constData(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        setIoError(openErrorCode(errno, name_));
        return;
    }
    // Reading a folder opens on Linux; the clerk's desktop refuses it.
    struct stat info;
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        setIoError(AccessDenied);
        return;
    }
    fd_ = fd;
    mode_ = kind == OpenKind::Read ? Mode::Reading : Mode::Writing;
    pos_ = 0;
    end_ = 0;
}

bool TextFile::fill()
{
    if (pos_ < end_)
        return true;
    if (fd_ < 0)
        return false; // read from memory: nothing follows
    pos_ = 0;
    end_ = 0;
    ssize_t n;
    do {
        n = ::read(fd_, buffer_, static_cast<size_t>(size_));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        setIoError(ReadFault);
        return false;
    }
    end_ = static_cast<int>(n);
    return n > 0;
}

void TextFile::put(const char *bytes, qsizetype count)
{
    while (count > 0 && pendingIoError == 0) {
        const qsizetype room = size_ - pos_;
        const qsizetype chunk = count < room ? count : room;
        std::memcpy(buffer_ + pos_, bytes, static_cast<size_t>(chunk));
        pos_ += static_cast<int>(chunk);
        bytes += chunk;
        count -= chunk;
        if (pos_ == size_) {
            if (const int code = flush())
                setIoError(code);
        }
    }
}

void SetTextBuffer(TextFile &v, int size)
{
    if (v.isOpen() || size == v.size_)
        return;
    if (size <= TextFile::BufferSize) {
        v.largeBuffer_.reset();
        v.buffer_ = v.ownBuffer_;
        v.size_ = TextFile::BufferSize;
        return;
    }
    v.largeBuffer_ = std::make_unique<char[]>(static_cast<size_t>(size));
    v.buffer_ = v.largeBuffer_.get();
    v.size_ = size;
}

void SetTextDigest(TextFile &v, std::function<void(QByteArrayView)> digest)
{
    v.digest_ = std::move(digest);
}

void BindTextFile(TextFile &v, const QString &name)
{
    // Binding is meant for a closed variable; an open one is closed rather than
    // leaking its file.
    if (const int code = v.close())
        setIoError(code);
    v.name_ = name;
}

void OpenTextForReading(TextFile &v)
{
    v.open(TextFile::OpenKind::Read);
}

void CreateTextFile(TextFile &v)
{
    v.open(TextFile::OpenKind::Create);
}

void CreateNewTextFile(TextFile &v)
{
    v.open(TextFile::OpenKind::CreateNew);
}

void SyncTextFile(TextFile &v)
{
    if (v.mode_ != TextFile::Mode::Writing) {
        setIoError(NotOpenForWriting);
        return;
    }
    if (const int code = v.flush()) {
        setIoError(code);
        return;
    }
    if (::fsync(v.fd_) != 0)
        setIoError(errno == ENOSPC || errno == EDQUOT ? DiskFullOnWrite : WriteFault);
}

void OpenTextForAppending(TextFile &v)
{
    v.open(TextFile::OpenKind::Append);
}

void LoadTextFile(TextFile &v)
{
    v.open(TextFile::OpenKind::Read);
    if (!v.isOpen())
        return;
    // Room for the whole file at once when its size is known; a file that grows meanwhile
    // (or reports no size) is still read to its end.
    struct stat info;
    const qsizetype expected = ::fstat(v.fd_, &info) == 0 && info.st_size > 0 ? info.st_size : 0;
    QByteArray bytes(expected + 1, Qt::Uninitialized);
    qsizetype used = 0;
    for (;;) {
        if (used == bytes.size())
            bytes.resize(bytes.size() * 2);
        const ssize_t n = ::read(v.fd_, bytes.data() + used, static_cast<size_t>(bytes.size() - used));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            v.close();
            setIoError(ReadFault);
            return;
        }
        if (n == 0)
            break;
        used += n;
    }
    bytes.truncate(used);
    if (const int code = v.close()) {
        setIoError(code);
        return;
    }
    v.readFromMemory(std::move(bytes));
}

void OpenTextOverBytes(TextFile &v, QByteArray bytes)
{
    if (const int code = v.close()) {
        setIoError(code);
        return;
    }
    v.readFromMemory(std::move(bytes));
}

QByteArray LoadedBytes(const TextFile &v)
{
    if (v.mode_ != TextFile::Mode::Reading || v.memory_.isNull() || v.buffer_ != v.memory_.constData())
        return {};
    if (v.pos_ == 0 && v.end_ == v.memory_.size())
        return v.memory_;
    return v.memory_.sliced(v.pos_, v.end_ - v.pos_);
}

namespace {
bool readyToRead(const TextFile &v)
{
    if (pendingIoError != 0)
        return false;
    if (v.mode() == TextFile::Mode::Closed) {
        setIoError(NotOpen);
        return false;
    }
    if (v.mode() != TextFile::Mode::Reading) {
        setIoError(NotOpenForReading);
        return false;
    }
    return true;
}

bool readyToWrite(const TextFile &v)
{
    if (pendingIoError != 0)
        return false;
    if (v.mode() == TextFile::Mode::Closed) {
        setIoError(NotOpen);
        return false;
    }
    if (v.mode() != TextFile::Mode::Writing) {
        setIoError(NotOpenForWriting);
        return false;
    }
    return true;
}
} // namespace

QString ReadLineText(TextFile &v)
{
    QString line;
    if (!readyToRead(v))
        return QString();
    while (v.fill()) {
        const char c = v.buffer_[v.pos_];
        if (c == LineFeed)
            break;
        if (c == EndOfFileMark) {
            ++v.pos_;
            break;
        }
        if (c == CarriageReturn) {
            // Look past the CR; the one before a LF stays with the line end (it is
            // consumed here, which nothing after can tell apart), any other is dropped.
            ++v.pos_;
            if (v.fill() && v.buffer_[v.pos_] == LineFeed)
                break;
            continue;
        }
        // Take the run of plain bytes in one go.
        qsizetype stop = v.pos_ + 1;
        while (stop < v.end_ && v.buffer_[stop] != LineFeed && v.buffer_[stop] != CarriageReturn &&
               v.buffer_[stop] != EndOfFileMark)
            ++stop;
        AppendFromSystemCodePage(line, QByteArrayView(v.buffer_ + v.pos_, stop - v.pos_));
        v.pos_ = stop;
    }
    return line;
}

void SkipPastLineEnd(TextFile &v)
{
    if (!readyToRead(v))
        return;
    while (v.fill()) {
        const void *found = std::memchr(v.buffer_ + v.pos_, LineFeed, static_cast<size_t>(v.end_ - v.pos_));
        if (found) {
            v.pos_ = static_cast<const char *>(found) - v.buffer_ + 1;
            return;
        }
        v.pos_ = v.end_;
    }
}

bool PeekLineBytes(const TextFile &v, QByteArrayView &line)
{
    if (pendingIoError != 0 || v.mode_ != TextFile::Mode::Reading || v.memory_.isNull() ||
        v.buffer_ != v.memory_.constData())
        return false;
    const char *start = v.buffer_ + v.pos_;
    const qsizetype left = v.end_ - v.pos_;
    const void *found = std::memchr(start, LineFeed, static_cast<size_t>(left));
    line = QByteArrayView(start, found ? static_cast<const char *>(found) - start : left);
    return true;
}

bool AtTextEnd(TextFile &v)
{
    if (!readyToRead(v))
        return true;
    return !v.fill() || v.buffer_[v.pos_] == EndOfFileMark;
}

void WriteText(TextFile &v, const QString &text, int width)
{
    if (!readyToWrite(v))
        return;
    // Widths count bytes of the code page, where every character is one byte.
    const QByteArray bytes = ToSystemCodePage(text);
    if (width > bytes.size()) {
        const QByteArray blanks(width - bytes.size(), ' ');
        v.put(blanks.constData(), blanks.size());
    }
    v.put(bytes.constData(), bytes.size());
}

void WriteLineBreak(TextFile &v)
{
    if (!readyToWrite(v))
        return;
    v.put("\r\n", 2);
}

void CloseTextFile(TextFile &v)
{
    if (!v.isOpen()) {
        setIoError(NotOpen);
        return;
    }
    if (const int code = v.close())
        setIoError(code);
}

void CloseTextFileQuietly(TextFile &v)
{
    v.close();
    pendingIoError = 0;
}

void CheckIo()
{
    if (const int code = TakeIoError())
        throw IoError(code);
}

int TakeIoError()
{
    const int code = pendingIoError;
    pendingIoError = 0;
    return code;
}

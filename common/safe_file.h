#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// Files put in place so that no name somebody else planted is ever written through: the bytes go
// to a new file beside the target, created under a fresh name that must not exist yet (a link
// or a file already there under it is refused, never followed), synced, then renamed over the
// target in one step, and the folder synced. A link planted under the target's own name is
// replaced, not followed. The new file gets the mode the user's umask gives.
//
// The functions never throw; failures are given as the system's error number (errno).

// A name for a new file in the folder of `path`: its name, a dot, sixteen random letters and
// digits, then `suffix`. Nobody can foresee it.
QString freshSiblingName(const QString &path, const QString &suffix);

// Creates `path` for writing, refusing a name that exists in any form (EEXIST), a link
// included; returns the descriptor, or -errno.
int createExclusively(const QString &path);

// Syncs the folder that holds `path`, so that a rename in it survives a power cut.
int syncFolderOf(const QString &path);

// Renames `from` over `to` (an existing file, or a link, of that name is replaced as a whole)
// and syncs their folder, unless the caller syncs it later itself. Only a failed rename is an
// error: once it is done the file is in place.
int renameOver(const QString &from, const QString &to, bool syncFolder = true);

// Writes `bytes` to `path` as described above. On failure nothing of the new file is left and
// `path` is as it was.
int writeFileSafely(const QString &path, const QByteArray &bytes);

// The same for a name that must stay free until the file is complete: the whole file takes the
// name in one step, or nothing does; a file or link that stands under it meanwhile is refused
// (EEXIST), never replaced or followed.
int writeNewFile(const QString &path, const QByteArray &bytes);

// Puts the plain file `from` also under the name `to`, which must not exist (EEXIST): a second
// name for the same file where the file system allows it, else a copy written by writeNewFile.
// `from` is never followed when it is a link (ELOOP); anything but a plain file is refused
// (EINVAL). The folder of `to` is synced.
int keepUnderNewName(const QString &from, const QString &to);

#ifdef Q_OS_UNIX
// Writes all of `bytes` to the descriptor, again after an interrupted call; errno or 0.
int writeAll(int fd, const QByteArray &bytes);
#endif

// The bytes of the plain file at `path`, never read through a link under its name; false when
// it is none or cannot be read.
bool readPlainFile(const QString &path, QByteArray &bytes);

// The folder is this user's own: a real folder (not a link) that he owns, made with the mode
// his umask gives when missing. False, with the reason in `why` (Spanish, for the clerk),
// otherwise.
bool ensureOwnFolder(const QString &path, QString *why = nullptr);

// The folder is one this user made for himself alone: a real folder (not a link), owned by the
// user, that nobody else may read, write or enter. Made with mode 0700 when missing, its parents as
// the umask gives. False, with the reason in `why` (Spanish, for the clerk), otherwise.
bool ensurePrivateFolder(const QString &path, QString *why = nullptr);

// A folder opened once and then used only through its descriptor: every file written, kept,
// read or removed in it is named relative to that descriptor, so a folder swapped for another
// (or for a link) after it was opened and checked changes nothing of what is done in it.
class OpenedFolder {
public:
    OpenedFolder() = default;
    ~OpenedFolder();
    OpenedFolder(OpenedFolder &&other) noexcept;
    OpenedFolder &operator=(OpenedFolder &&other) noexcept;
    OpenedFolder(const OpenedFolder &) = delete;
    OpenedFolder &operator=(const OpenedFolder &) = delete;

    // Opens the folder at `path`, never through a link under its own name. With `create`, a
    // missing one is made with the mode the umask gives; with `own`, it must be this user's.
    // False, with the reason in `why` (Spanish, for the clerk), otherwise.
    bool open(const QString &path, bool create, bool own, QString *why = nullptr);
    bool isOpen() const { return fd_ >= 0; }
    int descriptor() const { return fd_; }
    const QString &path() const { return path_; }
    QString filePath(const QString &name) const;
    // Whether open() made the folder.
    bool made() const { return made_; }

    // As the functions above of the same names, for the file `name` in this folder.
    int writeFileSafely(const QString &name, const QByteArray &bytes) const;
    int writeNewFile(const QString &name, const QByteArray &bytes) const;
    int keepUnderNewName(const QString &from, const QString &name) const;
    // Opens the plain file `name` for reading (a link is never followed): the descriptor, or
    // -errno (ELOOP for a link, EINVAL for anything but a plain file).
    int openPlain(const QString &name) const;
    // The plain file's bytes; false when it is no plain file or cannot be read.
    bool readPlain(const QString &name, QByteArray &bytes) const;
    // The plain file's time of writing; invalid when it is no plain file.
    QDateTime modified(const QString &name) const;
    // Takes the name `name` away (a link goes, never what it points to); errno or 0.
    int remove(const QString &name) const;
    // The names in the folder.
    QStringList names() const;

private:
    int fd_ = -1;
    QString path_;
    bool made_ = false;
};

// Temporary files: a file being written carries a name of the form "<target>.<16 letters and
// digits><suffix>" until it takes its own, and its writer holds a lock on it meanwhile, which
// the system lets go when the writer ends, however it ends. So a temporary file nobody holds
// was left by a writer that was killed.
bool isTemporaryName(const QString &name, const QString &suffix);
// Holds the lock on a file being written under a temporary name, until destroyed.
class TemporaryFileClaim {
public:
    explicit TemporaryFileClaim(const QString &path);
    ~TemporaryFileClaim();
    TemporaryFileClaim(const TemporaryFileClaim &) = delete;
    TemporaryFileClaim &operator=(const TemporaryFileClaim &) = delete;

private:
    int fd_ = -1;
};
// A temporary file in `folder` left by a killed writer, opened and held so that nobody else
// takes it meanwhile: only this user's own plain files, that no writer holds. The descriptor,
// or -1 for anything else.
int claimLeftover(const OpenedFolder &folder, const QString &name);
// Takes the claimed leftover's name away, when it is still that file; closes the descriptor.
bool removeClaimedLeftover(const OpenedFolder &folder, const QString &name, int fd);
// Removes every leftover temporary file with `suffix` from the folder; how many went.
int removeLeftovers(const OpenedFolder &folder, const QString &suffix);

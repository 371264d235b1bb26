#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// A folder opened once and then used only through its descriptor: whatever is put in its place
// under its name after it was opened and checked (a link to another folder, another user's
// folder) changes nothing, because every file of it is created, renamed, linked and read
// relative to the descriptor, and no link under a file's name is ever followed.
//
// The functions never throw; failures are given as the system's error number (errno), or as a
// Spanish sentence for the clerk where a folder is refused.
class OwnFolder {
public:
    OwnFolder() = default;
    ~OwnFolder();
    OwnFolder(OwnFolder &&other) noexcept;
    OwnFolder &operator=(OwnFolder &&other) noexcept;
    OwnFolder(const OwnFolder &) = delete;
    OwnFolder &operator=(const OwnFolder &) = delete;

    // The folder `name` inside the folder at `parentPath`, made with the umask's mode when missing.
    // It must be a real folder (not a link, not a file) of this user's own; otherwise false, with
    // the reason in `why`.
    static bool openOwn(const QString &parentPath, const QString &name, OwnFolder &folder,
                        QString *why = nullptr);
    // The same for a folder inside this one.
    bool openOwnChild(const QString &name, OwnFolder &folder, QString *why = nullptr) const;

    bool isOpen() const { return fd_ >= 0; }
    int descriptor() const { return fd_; }
    // Its path as it was opened, for messages.
    const QString &path() const { return path_; }
    QString filePath(const QString &name) const;

    // What stands under `name` in the folder, not following a link; errno when nothing does.
    int entry(const QString &name, struct stat &info) const;

    // Puts `bytes` under `name`: written without a name (or under a fresh one), synced, then
    // renamed over whatever stands under `name` (a link there is replaced, not followed), and the
    // folder synced. On failure nothing new is left and `name` is as it was.
    int writeFile(const QString &name, const QByteArray &bytes) const;

    // Gives the plain file `name` the second name `newName` in `to` (a link of the file where the
    // file system allows it, else a complete copy), never replacing anything there (EEXIST); a
    // link under `name` is refused (ELOOP), and anything else but a plain file (EINVAL).
    int keepUnderNewName(const QString &name, const OwnFolder &to, const QString &newName) const;

    // Reads the plain file `name` (never through a link, never waiting on a pipe), of at most
    // `maxBytes` bytes (EFBIG).
    int readFile(const QString &name, QByteArray &bytes, qint64 maxBytes) const;

private:
    int fd_ = -1;
    QString path_;
};

// Reads the plain file at `path` as readFile() does: its last component is never followed when
// it is a link (ELOOP), a pipe or device is refused (EINVAL), and so is a file of more than
// `maxBytes` bytes (EFBIG).
int readPlainFileAtMost(const QString &path, QByteArray &bytes, qint64 maxBytes);

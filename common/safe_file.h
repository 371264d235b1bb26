#pragma once

#include <QByteArray>
#include <QString>

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
// and syncs their folder. Only a failed rename is an error: once it is done the file is in place.
int renameOver(const QString &from, const QString &to);

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

// The folder is this user's own: a real folder (not a link) that he owns, made with the mode
// his umask gives when missing. False, with the reason in `why` (Spanish, for the clerk),
// otherwise.
bool ensureOwnFolder(const QString &path, QString *why = nullptr);

// The folder is one this user made for himself alone: a real folder (not a link), owned by the
// user, that nobody else may read, write or enter. Made with mode 0700 when missing, its parents as
// the umask gives. False, with the reason in `why` (Spanish, for the clerk), otherwise.
bool ensurePrivateFolder(const QString &path, QString *why = nullptr);

#pragma once

#include <QString>

// Where the embedded engine keeps the lock files through which processes share a database file,
// and its configuration.

// The machine's folder may be shared by this user: a real folder (not a link) of the superuser
// or of the engine's own account, that nobody but its owner and group firebird may write, on a
// path nobody else can change, and that this user can enter and write. A missing folder is not
// shared: the engine would make it for this user alone, or follow what a neighbour planted
// there first.
bool machineLockFolderUsable(const QString &path);

// The session's runtime folder ($XDG_RUNTIME_DIR) when it is this user's alone, on a path
// nobody else can change; else empty.
QString privateRuntimeFolder();

// The folder for this user alone when he cannot share the machine's: under $XDG_RUNTIME_DIR
// when the session has one of his own, on a path nobody else can change, else under his cache
// folder. Empty when neither is known.
QString privateLockFolder();

// The first folder on the way to `path`, from the root down, that somebody other than this user
// and the superuser could change (by owning it, or by writing in it when it is not a sticky
// folder that keeps them to their own entries), or a link on the way that such a folder holds;
// `path` itself counts too, sticky or not. Empty when there is none: what `path` names can then
// change only by this user's or the superuser's hand. The part of the path that does not exist
// yet is not looked at (this user makes it, and it is looked at again once it is there).
QString folderOthersCanChange(const QString &path);

// What the clerk reads when the engine's configuration or lock folder would be under `folder`.
QString changeableFolderText(const QString &folder);

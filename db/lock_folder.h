#pragma once

#include <QString>

// Where the embedded engine keeps the lock files through which processes share a database file.

// The machine's folder may be shared by this user: it is a real folder (not a link) of the
// superuser, of the engine's own account or of this user, that others cannot write, and that
// this user can enter and write; or it does not exist yet, and the engine makes it for him.
bool machineLockFolderUsable(const QString &path);

// The folder for this user alone when he cannot share the machine's: under $XDG_RUNTIME_DIR
// when the session has one of his own, else under his cache folder. Empty when neither is known.
QString privateLockFolder();

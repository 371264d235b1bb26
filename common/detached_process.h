#pragma once

#include <QString>
#include <QStringList>

// Starts `program` (a name looked up in PATH, or a path) with `arguments` as a process of its
// own that this program does not wait for, in a session of its own. It inherits no descriptor
// but 0-2: not the database file, not the engine's lock files, nothing this program or a
// library in it opened, whether or not they asked for it to be closed on exec. False when the
// program cannot be found or started.
bool startDetached(const QString &program, const QStringList &arguments);

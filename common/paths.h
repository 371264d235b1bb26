#pragma once

#include <QString>

// The running program's folder with its trailing separator.
QString ProgramFolder();

// The part of the path after its last separator; the whole path when it has none.
QString FileNamePart(const QString &path);

// True when the name denotes an existing file that is not a folder; a relative
// name is taken relative to the current folder.
bool FileExistsAt(const QString &name);

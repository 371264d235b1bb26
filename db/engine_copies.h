#pragma once

#include <QString>

// The engine's character sets' module refuses to be loaded through a link, so the program's
// root folder holds copies of the installation's folder `from` in `to`. A copy is written again
// whenever the installation's file differs from it in any way (a package upgrade brings files
// with older dates and often the same size); the comparison reads both files, a millisecond for
// the module. A copy that cannot be made is left for the next start: start-up goes on, and the
// engine reports what it misses. A link standing at `to` is replaced by a folder.
void refreshCopies(const QString &from, const QString &to);

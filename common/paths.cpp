#include "common/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <climits>
#include <unistd.h>
#endif

namespace {

// The clerk's desktop splits paths at "\" and at the drive colon; other platforms
// only at "/".
bool isSeparator(QChar c)
{
#ifdef Q_OS_WIN
    return c == QLatin1Char('\\') || c == QLatin1Char(':');
#else
    return c == QLatin1Char('/');
#endif
}

qsizetype lastSeparator(const QString &path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (isSeparator(path.at(i)))
            return i;
    }
    return -1;
}

QString programFilePath()
{
    if (QCoreApplication::instance())
        return QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
#ifdef Q_OS_LINUX
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n > 0)
        return QFile::decodeName(QByteArray(buffer, n));
#endif
    return QString();
}

} // namespace

QString ProgramFolder()
{
    const QString path = programFilePath();
    return path.left(lastSeparator(path) + 1);
}

QString FileNamePart(const QString &path)
{
    return path.mid(lastSeparator(path) + 1);
}

bool FileExistsAt(const QString &name)
{
    if (name.isEmpty())
        return false;
    // Only the file's attributes are read, so a file another program holds is found too.
    const QFileInfo info(name);
    return info.exists() && !info.isDir();
}

#include "db/engine_copies.h"

#include "common/safe_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

void refreshCopies(const QString &from, const QString &to)
{
    if (QFileInfo(to).isSymLink())
        QFile::remove(to);
    QDir().mkpath(to);
    const QFileInfoList files = QDir(from).entryInfoList(QDir::Files);
    for (const QFileInfo &file : files) {
        const QString copy = QDir(to).filePath(file.fileName());
        const QByteArray bytes = contents(file.canonicalFilePath());
        const QFileInfo existing(copy);
        if (existing.isSymLink() || !existing.isFile() || contents(copy) != bytes)
            writeFileSafely(copy, bytes);
    }
}

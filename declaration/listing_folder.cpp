#include "declaration/listing_folder.h"

#include <QDir>
#include <QFileInfo>

QString listingFolder(const QString &programFolder, const QString &workingFolder)
{
    if (!programFolder.isEmpty()) {
        const QFileInfo folder(programFolder);
        if (folder.isDir() && folder.isWritable())
            return programFolder;
    }
    // The status line names this folder, so it is given the way the program folder is.
    QString folder = QDir::toNativeSeparators(workingFolder);
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder;
}

QString listingFolder(const QString &programFolder)
{
    return listingFolder(programFolder, QDir::currentPath());
}

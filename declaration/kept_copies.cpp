#include "declaration/kept_copies.h"

#include "common/errors.h"
#include "common/safe_file.h"
#include "declaration/filed_declaration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
// The file under the name, when it is a plain one (a link is not followed).
bool plainFile(const QString &path, QDateTime *written = nullptr)
{
#ifdef Q_OS_UNIX
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if (written)
        *written = QDateTime::fromSecsSinceEpoch(info.st_mtim.tv_sec);
    return true;
#else
    const QFileInfo info(path);
    if (!info.isFile() || info.isSymLink())
        return false;
    if (written)
        *written = info.lastModified();
    return true;
#endif
}

// `path` and the file `name` of the kept folder are two names of one file, or two files of the
// same bytes.
bool sameFile(const QString &path, const OpenedFolder &folder, const QString &name)
{
#ifdef Q_OS_UNIX
    struct stat first, second;
    const int fd = folder.openPlain(name);
    if (fd < 0)
        return false;
    const bool stated = ::lstat(QFile::encodeName(path).constData(), &first) == 0 && S_ISREG(first.st_mode) &&
                        ::fstat(fd, &second) == 0;
    ::close(fd);
    if (!stated)
        return false;
    if (first.st_dev == second.st_dev && first.st_ino == second.st_ino)
        return true;
    if (first.st_size != second.st_size)
        return false;
#endif
    QByteArray one, other;
    return readPlainFile(path, one) && folder.readPlain(name, other) && one == other;
}

enum class Outcome { Made, Reused, Taken };

// Keeps `from` as `name` in the folder: made, found there already (a generation that ended
// early), or the name is taken by another file. Raises FileError for any other failure.
Outcome keep(const QString &from, const OpenedFolder &folder, const QString &name, const QString &what)
{
    const int error = folder.keepUnderNewName(from, name);
    if (error == 0)
        return Outcome::Made;
    if (error == EEXIST)
        return sameFile(from, folder, name) ? Outcome::Reused : Outcome::Taken;
    throw FileError(QStringLiteral("No se pudo guardar una copia de %1 en %2: %3. No se generó la nueva "
                                   "declaración; la anterior sigue como estaba.")
                        .arg(what, QDir::toNativeSeparators(folder.filePath(name)), systemErrorText(error)));
}
} // namespace

QString keptFolder(const QString &declarationPath)
{
    return QFileInfo(declarationPath).absoluteDir().filePath(KeptFolderName);
}

QString keptStem(const QString &baseName, const QDateTime &when, int occurrence)
{
    QString stem = baseName + QLatin1Char(' ') + when.toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
    if (occurrence > 1)
        stem += QLatin1Char('_') + QString::number(occurrence);
    return stem;
}

void KeptDeclaration::undo() noexcept
{
    if (madeFile_)
        folder_->remove(QFileInfo(file).fileName());
    if (madeListing_)
        folder_->remove(QFileInfo(listing).fileName());
    madeFile_ = madeListing_ = false;
    // Only an empty folder goes.
    if (!madeFolder_.isEmpty())
        QDir().rmdir(madeFolder_);
    madeFolder_.clear();
}

void KeptDeclaration::dropEarlierListing(const QString &listingPath) const noexcept
{
    if (!listing.isEmpty() && folder_ && sameFile(listingPath, *folder_, QFileInfo(listing).fileName()))
        QFile::remove(listingPath);
}

KeptDeclaration keepEarlierDeclaration(const QString &declarationPath, const QString &listingPath,
                                       const QString &baseName)
{
    KeptDeclaration kept;
    QDateTime written;
    // Nothing of a declaration that is not there is kept: a listing of that name in the
    // program's folder may be another folder's declaration's.
    if (!plainFile(declarationPath, &written))
        return kept;
    const bool hasListing =
        plainFile(listingPath) && listingBelongsTo(listingPath, fileSha256(declarationPath));

    const QString folderPath = keptFolder(declarationPath);
    kept.folder_ = std::make_shared<OpenedFolder>();
    OpenedFolder &folder = *kept.folder_;
    QString why;
    if (!folder.open(folderPath, true, true, &why))
        throw FileError(why +
                        QStringLiteral(" Allí se guarda la declaración anterior antes de reemplazarla; no "
                                       "se generó la nueva declaración, y la anterior sigue como estaba."));
    if (folder.made())
        kept.madeFolder_ = folderPath;
    const QDir dir(folderPath);
    try {
        for (int occurrence = 1; occurrence < 1000; ++occurrence) {
            const QString stem = keptStem(baseName, written, occurrence);
            kept.filePlace = dir.filePath(stem + QStringLiteral(".txt"));
            kept.listingPlace = dir.filePath(stem + QStringLiteral(".pdf"));
            {
                const Outcome outcome = keep(declarationPath, folder, stem + QStringLiteral(".txt"),
                                             QStringLiteral("la declaración anterior"));
                if (outcome == Outcome::Taken)
                    continue;
                kept.file = kept.filePlace;
                kept.madeFile_ = outcome == Outcome::Made;
            }
            if (hasListing) {
                const Outcome outcome = keep(listingPath, folder, stem + QStringLiteral(".pdf"),
                                             QStringLiteral("el listado anterior"));
                if (outcome == Outcome::Taken) {
                    // Both under one name or not at all: the next name.
                    if (kept.madeFile_)
                        folder.remove(stem + QStringLiteral(".txt"));
                    kept.file.clear();
                    kept.madeFile_ = false;
                    continue;
                }
                kept.listing = kept.listingPlace;
                kept.madeListing_ = outcome == Outcome::Made;
            }
            return kept;
        }
    } catch (...) {
        kept.undo();
        throw;
    }
    kept.undo();
    throw FileError(
        QStringLiteral("La carpeta %1 ya tiene demasiadas copias de la declaración %2 de este "
                       "momento. No se generó la nueva declaración; la anterior sigue como estaba.")
            .arg(QDir::toNativeSeparators(folderPath), baseName));
}

#include "declaration/kept_copies.h"

#include "common/errors.h"
#include "common/safe_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
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

// Two names of one file, or two files of the same bytes.
bool sameFile(const QString &a, const QString &b)
{
#ifdef Q_OS_UNIX
    struct stat first, second;
    if (::lstat(QFile::encodeName(a).constData(), &first) != 0 ||
        ::lstat(QFile::encodeName(b).constData(), &second) != 0 || !S_ISREG(first.st_mode) ||
        !S_ISREG(second.st_mode))
        return false;
    if (first.st_dev == second.st_dev && first.st_ino == second.st_ino)
        return true;
    if (first.st_size != second.st_size)
        return false;
#endif
    QFile one(a), other(b);
    if (!one.open(QIODevice::ReadOnly) || !other.open(QIODevice::ReadOnly))
        return false;
    return one.readAll() == other.readAll();
}

void removeQuietly(const QString &path) noexcept
{
    QFile::remove(path);
}

enum class Outcome { Made, Reused, Taken };

// Keeps `from` as `to`: made, found there already (a generation that ended early), or the name is
// taken by another file. Raises FileError for any other failure.
Outcome keep(const QString &from, const QString &to, const QString &what)
{
    const int error = keepUnderNewName(from, to);
    if (error == 0)
        return Outcome::Made;
    if (error == EEXIST)
        return sameFile(from, to) ? Outcome::Reused : Outcome::Taken;
    throw FileError(QStringLiteral("No se pudo guardar una copia de %1 en %2: %3. No se generó la nueva "
                                   "declaración; la anterior sigue como estaba.")
                        .arg(what, QDir::toNativeSeparators(to), systemErrorText(error)));
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
        removeQuietly(file);
    if (madeListing_)
        removeQuietly(listing);
    madeFile_ = madeListing_ = false;
    // Only an empty folder goes.
    if (!madeFolder_.isEmpty())
        QDir().rmdir(madeFolder_);
    madeFolder_.clear();
}

void KeptDeclaration::dropEarlierListing(const QString &listingPath) const noexcept
{
    if (!listing.isEmpty() && sameFile(listingPath, listing))
        removeQuietly(listingPath);
}

KeptDeclaration keepEarlierDeclaration(const QString &declarationPath, const QString &listingPath,
                                       const QString &baseName)
{
    KeptDeclaration kept;
    QDateTime written;
    const bool hasFile = plainFile(declarationPath, &written);
    const bool hasListing = plainFile(listingPath, hasFile ? nullptr : &written);
    if (!hasFile && !hasListing)
        return kept;

    const QString folder = keptFolder(declarationPath);
    const bool folderExisted = QFileInfo::exists(folder) || QFileInfo(folder).isSymLink();
    QString why;
    if (!ensureOwnFolder(folder, &why))
        throw FileError(why +
                        QStringLiteral(" Allí se guarda la declaración anterior antes de reemplazarla; no "
                                       "se generó la nueva declaración, y la anterior sigue como estaba."));
    if (!folderExisted)
        kept.madeFolder_ = folder;
    const QDir dir(folder);
    try {
        for (int occurrence = 1; occurrence < 1000; ++occurrence) {
            const QString stem = keptStem(baseName, written, occurrence);
            kept.filePlace = dir.filePath(stem + QStringLiteral(".txt"));
            kept.listingPlace = dir.filePath(stem + QStringLiteral(".pdf"));
            if (hasFile) {
                const Outcome outcome =
                    keep(declarationPath, kept.filePlace, QStringLiteral("la declaración anterior"));
                if (outcome == Outcome::Taken)
                    continue;
                kept.file = kept.filePlace;
                kept.madeFile_ = outcome == Outcome::Made;
            }
            if (hasListing) {
                const Outcome outcome =
                    keep(listingPath, kept.listingPlace, QStringLiteral("el listado anterior"));
                if (outcome == Outcome::Taken) {
                    // Both under one name or not at all: the next name.
                    if (kept.madeFile_)
                        removeQuietly(kept.file);
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
            .arg(QDir::toNativeSeparators(folder), baseName));
}

#pragma once

#include <QDateTime>
#include <QString>

#include <memory>

class OpenedFolder;

// The folder beside a declaration file where the declarations it replaced are kept.
inline const QString KeptFolderName = QStringLiteral("anteriores");
QString keptFolder(const QString &declarationPath);

// The name, without its extension, under which a declaration written at `when` is kept: its
// base name, the date and the time, so that the kept declarations of a name sort by time
// ("17300415 2026-12-09 10.31.05"). A second one of the same second gets "_2", and so on.
QString keptStem(const QString &baseName, const QDateTime &when, int occurrence = 1);

// The copies of the earlier declaration and its listing that a generation made before
// replacing them. Until the generation is complete they can be taken away again: the earlier
// files are still in their places then.
class KeptDeclaration {
public:
    // Where the earlier declaration file and its listing were kept; empty when there was none.
    QString file;
    QString listing;
    // Where the earlier declaration and its listing belong from now on, kept or not (the
    // declaration was gone already, or had no listing): the names in the kept folder.
    QString filePlace;
    QString listingPlace;

    bool keptAnything() const { return !file.isEmpty() || !listing.isEmpty(); }

    // Takes away the copies this generation made (never one that was there before), and the
    // kept folder when it made it. Never fails.
    void undo() noexcept;
    // The new listing could not be written: the earlier one, still in its place and kept, goes
    // from there so that it is not taken for the new declaration's.
    void dropEarlierListing(const QString &listingPath) const noexcept;

private:
    friend KeptDeclaration keepEarlierDeclaration(const QString &, const QString &, const QString &);
    bool madeFile_ = false;
    bool madeListing_ = false;
    QString madeFolder_; // the kept folder, when this generation made it
    // The kept folder as it was opened and checked: every copy is made and taken away in it.
    std::shared_ptr<OpenedFolder> folder_;
};

// Keeps the plain file at `declarationPath`, when there is one, in keptFolder(declarationPath)
// under keptStem() of its time of writing, and with it the listing at `listingPath` when that
// listing is the declaration's own (it names the file's fingerprint): a listing is never kept
// without its declaration, nor another declaration's with it. Each is kept in one step, without
// replacing anything there: a second name for the same file, or a complete copy. A copy made
// already by a generation that ended before its file took its place is used again. The folder
// is made with the umask's mode and must be a real folder of this user's; it is opened once and
// every copy is made relative to it, so a folder swapped after the check changes nothing. A
// failure raises FileError with what the clerk reads; nothing is kept then, and nothing else was
// changed.
KeptDeclaration keepEarlierDeclaration(const QString &declarationPath, const QString &listingPath,
                                       const QString &baseName);

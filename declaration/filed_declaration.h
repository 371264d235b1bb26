#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class Connection;

// One declaration confirmed with the database, as table DECLARACION keeps it.
struct FiledDeclaration {
    qint64 id = 0;
    QString legajo; // trimmed, as typed
    int year = 0;
    int month = 0;
    QString baseName;
    int version = 0; // 1 for the first declaration of its file name
    QDateTime confirmedAt;
    int rows = 0;
    double total = 0;
    QByteArray sha256; // 64 lower-case hexadecimal digits of the declaration file's bytes
    qint64 bytes = 0;
    QString agentName;
    QString host;    // the machine the files were written on
    QString file;    // absolute path of the declaration file
    QString listing; // absolute path of its PDF listing
};

// This machine's name as DECLARACION records it.
QString thisMachine();

// The SHA-256 of a file's bytes in lower-case hexadecimal; empty when it cannot be read or is no
// plain file.
QByteArray fileSha256(const QString &path);

// The line that ends the last page of a listing: the file's name, its rows, the total as the
// footer prints it and the first 16 digits of the SHA-256, which `sha256sum` shows first.
QString listingSummary(const QString &fileName, int rows, const QString &totalText, const QByteArray &sha256);

// Whether a listing belongs to the declaration whose file has the SHA-256 `sha256`: the last
// fingerprint its pages name is that one. The listing of an earlier declaration of the same
// name is not, nor one that names none.
bool listingNamesFingerprint(const QByteArray &pdf, const QByteArray &sha256);
// The same for the plain file at `pdfPath` (a link is never followed); false when there is none.
bool listingBelongsTo(const QString &pdfPath, const QByteArray &sha256);

// Whether the declaration's file is still the one recorded.
enum class FileMark {
    Unchanged,    // its bytes have the recorded fingerprint
    Modified,     // changed since it was written
    Missing,      // gone
    Unreadable,   // there, but this user may not read it
    OtherMachine, // written on another machine: not to be looked for here
};

// Looks at the file on the disk; a file whose size differs from the recorded one is not read.
FileMark checkFiledDeclaration(const FiledDeclaration &d, const QString &machine = thisMachine());
// The mark as the window of past declarations shows it.
QString fileMarkText(FileMark mark, const FiledDeclaration &d);

// The filters of the window of past declarations. Legajo: as typed, leading zeros aside;
// period: "M/YYYY", "MM/YYYY" (or with "-"), a year alone, or nothing. Empty filters let every
// row through; a period that is none of these lets none.
struct DeclarationFilter {
    QString legajo; // without leading zeros; empty: any
    int month = 0;  // 0: any
    int year = 0;   // 0: any
    bool valid = true;
};
DeclarationFilter declarationFilter(const QString &legajo, const QString &period);
bool matchesFilter(const FiledDeclaration &d, const DeclarationFilter &filter);
inline bool matchesFilter(const FiledDeclaration &d, const QString &legajo, const QString &period)
{
    return matchesFilter(d, declarationFilter(legajo, period));
}

// The texts of one row of the window, in the order of pastDeclarationTitles().
QStringList pastDeclarationTitles();
QStringList pastDeclarationCells(const FiledDeclaration &d);

// The rows of DECLARACION that pass a filter, newest first, read a batch at a time as they are
// shown, so that a history of any length opens at once. It reads in a transaction of its own
// that holds back nobody's work, open until the reader is closed or destroyed. Every call
// raises DatabaseError when the database cannot be read.
class FiledDeclarationReader {
public:
    explicit FiledDeclarationReader(Connection &connection);
    ~FiledDeclarationReader();
    FiledDeclarationReader(const FiledDeclarationReader &) = delete;
    FiledDeclarationReader &operator=(const FiledDeclarationReader &) = delete;

    // Starts over with the filter; false, with no rows, for a database without the table.
    bool open(const DeclarationFilter &filter);
    // How many rows pass the filter, counted at open().
    int count() const { return count_; }
    // Up to `max` more rows; none once all were read.
    QList<FiledDeclaration> next(int max);
    bool atEnd() const { return atEnd_; }
    void close() noexcept;

private:
    struct Private;
    std::unique_ptr<Private> d_;
    int count_ = 0;
    bool atEnd_ = true;
};

// Every row of DECLARACION, newest first. A database without the table gives none and sets
// `hasTable` false. Raises DatabaseError when the database cannot be read.
QList<FiledDeclaration> readFiledDeclarations(Connection &connection, bool *hasTable = nullptr);

// What the clerk reads when a database cannot record declarations for lack of permissions.
QString declarationGrantsText();

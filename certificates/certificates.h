#pragma once

#include "certificates/agent_details.h"
#include "common/errors.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class Connection;

// The withholding certificates of a declaration: one page per withholding the declaration file
// holds, read from the file itself and only while its bytes are the ones recorded for it, so that
// what the supplier is given is what was filed.

// Why no certificates were made, in words for the clerk.
class CertificateError : public AppError {
public:
    using AppError::AppError;
};

// One certificate, from one record of the declaration file.
struct Certificate {
    QString receipt;      // the certificate number, as the record holds it (13 digits)
    QString date;         // DD/MM/YYYY
    QString period;       // MM/YYYY
    QString supplierName; // trimmed, as declared
    QString supplierCuit;
    QString agentName;
    QString agentCuit;
    qint64 invoiceCents = 0;
    qint64 withheldCents = 0;
};

// What the file does not tell.
struct CertificateIssue {
    // The agent's legajo; when empty, the one the file's name carries (17A00415.txt: 415).
    QString legajo;
    // The date of issue; today when not valid.
    QDate date;
    // The place of issue; a blank for the agent to fill by hand when empty.
    QString place;
    // The agent's domicile and signer; blank lines for a pen when empty.
    AgentDetails agent;
    // The base name the declaration's record gives; when given, the file's name must carry it.
    QString baseName;
};

struct CertificatesWritten {
    QString pdfPath;
    int certificates = 0;
    // Withholdings of 0.00, which get no certificate and use no number up.
    int skipped = 0;
    // Where the certificates that were under the same name before were kept; empty when none were.
    QString keptEarlier;
    // For a supplier's year: the periods whose file could not be used, each with why.
    QStringList periodsLeftOut;
};

// The hexadecimal SHA-256 of the bytes, lower case.
// The digits of a CUIT typed or declared with or without dashes, in order.
QString digitsOf(const QString &text);
QString sha256Hex(const QByteArray &bytes);

// The records of a declaration file's bytes, in order, every one of them (0.00 included).
// `fileName` only names the file in the message of a record that cannot be read: a line shorter
// than a record, or an amount field that is not eleven digits, raises the CertificateError.
std::vector<Certificate> readCertificates(const QByteArray &bytes, const QString &fileName);

// Where a declaration file's certificates go: the folder `constancias` beside the declaration and
// the name of their PDF, without ".pdf". The program writes a declaration as `<base>.txt` and keeps
// an earlier one as `anteriores/<base> <date> <time>[_N].txt` beside it; a path of any other shape
// (or one not absolute, or with "." or ".." in it) gets none: nothing is read or written for it.
// `baseName`, when given, must be the one the file's name carries.
struct CertificatePlace {
    QString declarationFolder; // where `constancias` is (or is made)
    QString stem;              // "17A00415" or "17A00415 2026-12-09 10.31.05"
};
std::optional<CertificatePlace> certificatePlace(const QString &declarationFile,
                                                 const QString &baseName = {});

// "constancias/<stem>.pdf" beside the declaration file; empty for a path of another shape.
QString certificatesPdfPath(const QString &declarationFile);

// The declaration file's bytes, read once and returned only when their SHA-256 is `sha256` (hex,
// either case). A missing, unreadable, changed file, or one that is not a plain file, raises the
// CertificateError.
QByteArray readRecordedDeclaration(const QString &declarationFile, const QString &sha256);

// Reads the declaration file once, refuses it unless its bytes have the recorded SHA-256 and its
// path the shape the program writes, and writes one page per withholding other than 0.00 into
// certificatesPdfPath(): the folder `constancias` is made when missing and must be the clerk's own
// real folder; certificates that stand under that name for another declaration (an earlier version)
// are kept first in `constancias/anteriores`. The file appears whole or not at all. Raises the
// CertificateError, and writes nothing, for a file that is missing, changed, unreadable or without a
// withholding to certify, and for a folder that cannot be used.
CertificatesWritten writeCertificates(const QString &declarationFile, const QString &sha256,
                                      const CertificateIssue &issue = {});

// The certificates of one supplier (its CUIT, dashes and blanks aside) for a year: from the latest
// version of each period that table DECLARACION records for the year (of the legajo, when given),
// each read from its file only while it has the recorded SHA-256. One PDF, written beside the
// newest of those declarations as `constancias/<year> <CUIT>.pdf`, the earlier one of that name kept
// as above. A period whose file is missing, changed, elsewhere or of another shape is left out and
// named in `periodsLeftOut`; nothing is guessed. Raises the CertificateError when there is nothing to
// certify, and DatabaseError when the database cannot be read.
struct YearRequest {
    QString cuit;
    int year = 0;
    QString legajo; // empty: every legajo
    QDate date;     // of issue; today when not valid
};
CertificatesWritten writeYearCertificates(Connection &connection, const YearRequest &request);

// "Lugar y fecha: PLACE, DD/MM/YYYY", with a blank to fill when there is no place.
QString placeAndDateLine(const QString &place, const QDate &date);

// The largest declaration file read for certificates.
inline constexpr qint64 MaxDeclarationBytes = 256 * 1024 * 1024;

#pragma once

#include "common/errors.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <optional>
#include <vector>

// The withholding certificates of a declaration: one page per withholding the declaration file
// holds, read from the file itself, so that what the supplier is given is what was filed.

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
    QString supplierName; // trimmed
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
};

struct CertificatesWritten {
    QString pdfPath;
    int certificates = 0;
    // Withholdings of 0.00, which get no certificate and use no number up.
    int skipped = 0;
};

// The hexadecimal SHA-256 of the bytes, lower case.
QString sha256Hex(const QByteArray &bytes);

// The same of a file's bytes as they are now is fileSha256() (declaration/filed_declaration.h).

// The records of a declaration file's bytes, in order, every one of them (0.00 included).
// `fileName` only names the file in the message of a record that cannot be read: a line shorter
// than a record, or an amount field that is not eleven digits, raises the CertificateError.
std::vector<Certificate> readCertificates(const QByteArray &bytes, const QString &fileName);

// "constancias/<base name>.pdf" in the declaration file's folder.
QString certificatesPdfPath(const QString &declarationFile);

// Reads the declaration file once; when `expectedSha256` is given (hex, either case), refuses a
// file whose bytes no longer match it; writes one page per withholding other than 0.00 into
// certificatesPdfPath(), creating the folder when missing, so that the file appears whole or
// not at all. Raises the CertificateError, and writes nothing, for a file that is missing,
// changed, unreadable or without a withholding to certify, and for a folder that cannot be
// written.
CertificatesWritten writeCertificates(const QString &declarationFile,
                                      const std::optional<QString> &expectedSha256 = std::nullopt,
                                      const CertificateIssue &issue = {});

// The PDF of the certificates in memory, for a list already read.
QByteArray renderCertificates(const std::vector<Certificate> &certificates, const QString &legajo,
                              const QString &placeAndDate);
// "Lugar y fecha: PLACE, DD/MM/YYYY", with a blank to fill when there is no place.
QString placeAndDateLine(const QString &place, const QDate &date);

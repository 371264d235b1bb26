#pragma once

#include "common/decimal.h"
#include "withholdings/import_review.h"
#include "withholdings/withholding.h"

#include <QList>
#include <QString>
#include <optional>

class TextFile;

// A line of an imported file whose withheld amount does not follow from its invoice amount.
struct AmountMismatch {
    int lineNumber = 0;     // 1-based, counting every line read, skipped ones included
    QString receipt;        // receipt number as stored, trimmed
    QString invoiceAmount;  // invoice amount text (000012345.67)
    QString storedAmount;   // withheld amount text as stored (000000070.00)
    QString expectedAmount; // whole withheld amount the rate gives (62)
};

// One line of an imported file, ready to append.
struct ImportedLine {
    Withholding row;
    std::optional<AmountMismatch> mismatch;
};

// Everything an import appends, read and converted before any of it reaches the grid.
struct ImportedFile {
    QList<Withholding> rows;
    QList<AmountMismatch> mismatches;
    // The line each row came from, in the same order as the rows; none when the import was
    // given a review, which it then gathers in toReview as it reads.
    QList<SourceLine> sources;
    QStringList toReview;
    bool amountsDisagree() const { return !mismatches.isEmpty(); }
};

// A stored withheld amount weighed against its invoice amount, as the import weighs it (below):
// the whole amount it reaches the grid as, the one the rate gives, and whether they agree.
struct WithheldCheck {
    qint64 declared = 0;
    qint64 expected = 0;
    bool agrees = false;
};
WithheldCheck checkWithheldAmount(Decimal invoice, Decimal stored);
// The same check for amounts given in whole hundredths, 0 to 99,999,999,999 each (what an
// amount field of eleven digits holds), worked out in integers with the same answer.
WithheldCheck checkWithheldHundredths(qint64 invoice, qint64 stored);

// Converts one line of a declaration file for the import. Nothing (no row) when the receipt
// number, taken as its field stands, is 0 or less. The row is the one the reload
// builds, except the withheld amount, which is the stored amount brought to a whole number
// (a fraction above one half adds one). The stored amount agrees with the invoice amount when
// its whole part equals the whole part of invoice x 5 / 1000, or when the whole amount it
// becomes equals that amount rounded as manual entry rounds it, so that a declaration this
// program wrote imports cleanly; a negative amount never agrees. A receipt number that is no
// 64-bit integer or an amount that does not convert raises the ConversionError. lineNumber
// only labels the mismatch.
std::optional<ImportedLine> importLine(const QString &line, int lineNumber = 0);

// Reads the file at the path whole through FF, then converts every line, closing FF on return
// and on error; an error leaves nothing to append.
ImportedFile importDeclarationFile(TextFile &ff, const QString &path);
// Reads the file at the path whole through FF and gives its bytes; FF is closed on return and
// on error.
QByteArray loadImportedFile(TextFile &ff, const QString &path);
// The same conversion over FF already open for reading (a loaded file, or bytes in memory).
// Given a review, every line that becomes a row is reviewed as it is read, in order.
ImportedFile importDeclarationText(TextFile &ff, const LineReview *review = nullptr);

// The details of the mismatch message: one line of text per disagreeing line.
QString mismatchDetails(const QList<AmountMismatch> &mismatches);

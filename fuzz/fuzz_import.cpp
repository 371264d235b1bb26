// Imports arbitrary bytes as a declaration-format file: the import either returns rows that
// hold together or raises one of the program's own errors, and the file is closed either way;
// rows, mismatches, lines and error are those of converting every line as text.
#include "common/errors.h"
#include "common/numbers.h"
#include "common/text_file.h"
#include "common/text_helpers.h"
#include "fuzz/fuzz_support.h"
#include "tests/support/line_by_line_import.h"
#include "withholdings/declaration_import.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {
// Every line decoded and converted as text, the way any line may be; the import takes the usual
// lines from their bytes and must come to the same rows, mismatches and lines, or the same error.
struct Reading {
    ImportedFile file;
    QString error;
};

Reading lineByLine(const QByteArray &bytes)
{
    Reading reading;
    TextFile ff;
    try {
        OpenTextOverBytes(ff, bytes);
        CheckIo();
        reading.file = lineByLineImport(ff);
    } catch (const AppError &e) {
        reading.error = e.message();
        TakeIoError();
    }
    return reading;
}

void sameAsLineByLine(const Reading &fast, const QByteArray &bytes)
{
    const Reading slow = lineByLine(bytes);
    if (fast.error != slow.error)
        failInvariant("import", "another error than the line-by-line reading");
    if (!fast.error.isEmpty())
        return; // an error leaves nothing to compare
    if (fast.file.rows != slow.file.rows)
        failInvariant("import", "other rows than the line-by-line reading");
    if (mismatchDetails(fast.file.mismatches) != mismatchDetails(slow.file.mismatches))
        failInvariant("import", "other mismatches than the line-by-line reading");
    if (fast.file.sources.size() != slow.file.sources.size())
        failInvariant("import", "other lines than the line-by-line reading");
    for (qsizetype i = 0; i < fast.file.sources.size(); ++i)
        if (fast.file.sources[i].lineNumber != slow.file.sources[i].lineNumber ||
            fast.file.sources[i].text != slow.file.sources[i].text)
            failInvariant("import", "other lines than the line-by-line reading");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    Reading fast;

    TextFile ff;
    try {
        OpenTextOverBytes(ff, bytes);
        fast.file = importDeclarationText(ff);
        const ImportedFile &imported = fast.file;
        if (ff.isOpen())
            failInvariant("import", "the file stays open after an import");
        // Each row comes from a line of its own, and no line has more bytes than the file.
        if (imported.rows.size() > bytes.count('\n') + 1)
            failInvariant("import", "more rows than lines");
        if (imported.mismatches.size() > imported.rows.size())
            failInvariant("import", "more mismatches than rows");
        for (const Withholding &row : imported.rows) {
            if (TrimBlanks(row.receipt).isEmpty())
                failInvariant("import", "a row without a receipt number would be a gap");
            bool whole = false;
            row.withheldAmount.toLongLong(&whole);
            if (!whole)
                failInvariant("import", "the withheld amount is no whole number");
            // The grid's total parses it; it must take it.
            try {
                ParseDecimal(row.withheldAmount);
            } catch (const AppError &) {
                failInvariant("import", "the total refuses the withheld amount");
            }
        }
        int previous = 0;
        for (const AmountMismatch &m : imported.mismatches) {
            if (m.lineNumber <= previous)
                failInvariant("import", "mismatches out of line order");
            previous = m.lineNumber;
        }
        if (imported.amountsDisagree() && mismatchDetails(imported.mismatches).isEmpty())
            failInvariant("import", "a mismatch without details");
    } catch (const AppError &e) {
        if (ff.isOpen())
            failInvariant("import", "the file stays open after an error");
        fast.error = e.message();
        TakeIoError();
    }
    sameAsLineByLine(fast, bytes);
    if (fast.error.isEmpty()) {
        // Reviewed as it is read, the file gives the review its lines would give.
        const DeclaredHeader header{QStringLiteral("30-70000001-2"), QStringLiteral("2017"),
                                    QStringLiteral("3")};
        const LineReview review(header);
        TextFile again;
        OpenTextOverBytes(again, bytes);
        const ImportedFile reviewed = importDeclarationText(again, &review);
        if (reviewed.rows != fast.file.rows || reviewed.toReview != linesToReview(fast.file.sources, header))
            failInvariant("import", "the review as the file is read differs from the review of its lines");
    }
    return 0;
}

// Imports arbitrary bytes as a declaration-format file: the import either returns rows that
// hold together or raises one of the program's own errors, and the file is closed either way.
#include "common/errors.h"
#include "common/numbers.h"
#include "common/text_file.h"
#include "common/text_helpers.h"
#include "fuzz/fuzz_support.h"
#include "withholdings/declaration_import.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    TextFile ff;
    try {
        OpenTextOverBytes(ff, bytes);
        const ImportedFile imported = importDeclarationText(ff);
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
    } catch (const AppError &) {
        if (ff.isOpen())
            failInvariant("import", "the file stays open after an error");
        TakeIoError();
    }
    return 0;
}

// Reloads arbitrary bytes as a declaration file: the reading either gives one grid row per
// line, each cell trimmed and within its field, or raises one of the program's own errors,
// and the file is closed either way.
#include "common/errors.h"
#include "common/text_file.h"
#include "common/text_helpers.h"
#include "fuzz/fuzz_support.h"
#include "withholdings/declaration_line.h"
#include "withholdings/grid_model.h"

#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstdint>

namespace {
struct FieldWidth {
    int column;
    int width;
};
// The widest text each cell can hold: the field's columns (the date gains two slashes).
constexpr FieldWidth FieldWidths[] = {
    {SupplierCuitColumn, 13}, {DateColumn, 10},        {WithheldAmountColumn, 12},
    {ReceiptColumn, 13},      {CompanyNameColumn, 60}, {InvoiceAmountColumn, 12},
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    TextFile ff;
    try {
        OpenTextOverBytes(ff, bytes);
        const QList<DeclarationLine> lines = readDeclarationText(ff);
        if (ff.isOpen())
            failInvariant("reload", "the file stays open after a reload");
        if (lines.size() != plainReading(bytes).size())
            failInvariant("reload", "rows and lines differ in number");
        for (const DeclarationLine &line : lines) {
            for (const FieldWidth &field : FieldWidths) {
                const QString &cell = line.row.*Withholding::field(field.column);
                if (cell.size() > field.width)
                    failInvariant("reload", "a cell is wider than its field");
                if (TrimBlanks(cell) != cell)
                    failInvariant("reload", "a cell keeps blanks at an end");
            }
            if (!std::isfinite(line.withheldAmount))
                failInvariant("reload", "the withheld amount is not a finite number");
        }
    } catch (const AppError &) {
        if (ff.isOpen())
            failInvariant("reload", "the file stays open after an error");
        TakeIoError();
    }
    return 0;
}

// Reads arbitrary bytes as a sheet saved as CSV and converts its records as an import does: the
// rows that come out are always ones a declaration can hold, and every record keeps the line
// it starts on.
#include "common/codepage.h"
#include "common/errors.h"
#include "common/numbers.h"
#include "fuzz/fuzz_support.h"
#include "withholdings/sheet_import.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace {
void check(bool holds, const char *what)
{
    if (!holds)
        failInvariant("sheet", what);
}

// Whether the text has the shape, 9 standing for any digit, less `shorter` leading characters of
// the shape (when negative), which may be left out.
bool shaped(const QString &text, const char *shape, qsizetype shorter = 0)
{
    const QByteArrayView pattern = QByteArrayView(shape).sliced(shorter < 0 ? -shorter : 0);
    if (shorter > 0 || text.size() != pattern.size() || text.isEmpty())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (pattern[i] == '9' ? !(c >= '0' && c <= '9') : c != char16_t(pattern[i]))
            return false;
    }
    return true;
}

// Lines as an editor counts them (CR LF, LF and CR end one each), for text without quotes.
int plainLines(const QByteArray &bytes, char separator)
{
    int lines = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')))
            ++lines;
    }
    // Blanks after the last line end make no record, as they make no field.
    qsizetype end = bytes.size();
    while (end > 0 && (bytes[end - 1] == ' ' || (bytes[end - 1] == '\t' && separator != '\t')))
        --end;
    if (end > 0 && bytes[end - 1] != '\n' && bytes[end - 1] != '\r')
        ++lines;
    return lines;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    (void)looksLikeSheet(bytes);
    const Sheet sheet = readSheet(bytes);
    int previous = sheet.titleLine;
    for (const SheetRecord &record : sheet.records) {
        check(record.lineNumber > previous, "records out of line order");
        previous = record.lineNumber;
    }
    if (!bytes.contains('"') && !sheet.titles.isEmpty() && sheet.encoding != SheetEncoding::Utf8WithBom) {
        const int lines = plainLines(bytes, sheet.separator);
        check(sheet.titleLine + sheet.records.size() == lines, "a record for every line");
        check(sheet.records.isEmpty() || sheet.records.back().lineNumber == lines, "the last line's number");
    }

    ColumnSearch search = findColumns(sheet.titles);
    ColumnChoice choice = search.choice;
    if (!search.complete()) {
        if (sheet.titles.size() < NeededFields)
            return 0;
        for (int f = 0; f < SheetFieldCount; ++f)
            choice[f] = f < sheet.titles.size() ? f : -1;
    }
    check(isUsableChoice(choice, sheet.titles.size()), "the columns found cannot be used");

    SheetContext context{{QStringLiteral("30-70000001-2"), QStringLiteral("2017"), QStringLiteral("3")}, {}};
    try {
        const SheetImport imported = convertSheet(sheet, choice, context);
        check(imported.rows.size() <= sheet.records.size(), "more rows than records");
        check(imported.mismatches.size() <= imported.rows.size(), "more mismatches than rows");
        for (const Withholding &row : imported.rows) {
            check(shaped(row.supplierCuit, "99-99999999-9"), "a CUIT the declaration cannot hold");
            check(shaped(row.invoiceAmount, "999999999.99", row.invoiceAmount.size() - 12),
                  "an invoice amount the declaration cannot hold");
            check(shaped(row.receipt, "9999999999999", row.receipt.size() - 13),
                  "a receipt the declaration cannot hold");
            check(shaped(row.date, "99/99/9999"), "a date the declaration cannot hold");
            check(!row.companyName.isEmpty() && row.companyName.size() <= 60,
                  "a name the declaration cannot hold");
            check(FromSystemCodePage(ToSystemCodePage(row.companyName)) == row.companyName,
                  "a name the code page changes");
            for (const QChar c : row.companyName)
                check(c.unicode() >= 0x20 && c.unicode() != 0x7f, "a control character in a name");
            bool whole = false;
            check(row.withheldAmount.toLongLong(&whole) >= 0 && whole,
                  "a withheld amount that is no whole number");
            (void)ParseDecimal(row.withheldAmount);
        }
    } catch (const AppError &) {
        failInvariant("sheet", "a conversion error from a converted cell");
    }
    return 0;
}

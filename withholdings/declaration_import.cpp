#include "withholdings/declaration_import.h"

#include "common/numbers.h"
#include "common/text_file.h"
#include "common/text_helpers.h"
#include "withholdings/declaration_line.h"
#include "withholdings/declaration_record.h"

#include <QStringList>

namespace {
// An amount kept as a double brought to a whole number: the fraction is dropped unless it is
// greater than one half. The same rule as manual entry's, on 64 bits so that an amount
// written with an exponent cannot wrap round into a plausible one.
qint64 wholeAmount(Decimal amount)
{
    const Decimal y = StoreAsDouble(amount);
    const qint64 t = TruncToInteger(y);
    const Decimal f = StoreAsDouble(DecimalDifference(y, static_cast<Decimal>(t)));
    return f > 0.5L ? t + 1 : t;
}
} // namespace

std::optional<ImportedLine> importLine(const QString &line, int lineNumber)
{
    // Receipts have up to 13 digits, as manual entry takes them.
    if (ParseInt64(recordFieldView(line, RecordField::Receipt)) <= 0)
        return std::nullopt;

    const QString invoiceText = amountTextFromField(recordFieldView(line, RecordField::InvoiceAmount));
    const Decimal invoice = ParseDecimal(invoiceText);
    // The reload's row: the date comes from the record's own date field, so a confirmed
    // import writes the withholding dates back unchanged.
    const DeclarationLine read = readDeclarationLine(line);
    const WithheldCheck check = checkWithheldAmount(invoice, read.withheldAmount);

    ImportedLine result;
    result.row = read.row;
    result.row.withheldAmount = QString::number(check.declared);
    if (!check.agrees) {
        result.mismatch = AmountMismatch{lineNumber, read.row.receipt, read.row.invoiceAmount,
                                         read.row.withheldAmount, QString::number(check.expected)};
    }
    return result;
}

WithheldCheck checkWithheldAmount(Decimal invoice, Decimal stored)
{
    const Decimal x = StoreAsDouble(DecimalQuotient(DecimalProduct(invoice, 5), 1000));
    // The amount that reaches the grid is the stored one rounded, so it is that amount, not
    // the stored whole part, that must be manual entry's: 62.51 would be declared as 63.
    // No rule gives a negative amount, whatever the other one says.
    WithheldCheck check;
    check.expected = wholeAmount(x);
    check.declared = wholeAmount(stored);
    check.agrees = invoice >= 0 && stored >= 0 &&
                   (IntegralPart(stored) == IntegralPart(x) || check.declared == check.expected);
    return check;
}

ImportedFile importDeclarationFile(TextFile &ff, const QString &path)
{
    CloseOnError guard(ff);
    BindTextFile(ff, path);
    LoadTextFile(ff);
    CheckIo();
    return importDeclarationText(ff);
}

QByteArray loadImportedFile(TextFile &ff, const QString &path)
{
    CloseOnError guard(ff);
    BindTextFile(ff, path);
    LoadTextFile(ff);
    CheckIo();
    return LoadedBytes(ff);
}

ImportedFile importDeclarationText(TextFile &ff)
{
    CloseOnError guard(ff);
    ImportedFile result;
    result.rows.reserve(expectedRecords(ff.bufferedBytes()));
    int lineNumber = 0;
    while (!AtTextEnd(ff)) {
        CheckIo();
        const QString line = ReadLineText(ff);
        SkipPastLineEnd(ff);
        CheckIo();
        std::optional<ImportedLine> imported = importLine(line, ++lineNumber);
        if (!imported)
            continue;
        result.rows.append(imported->row);
        result.sources.append({lineNumber, line});
        if (imported->mismatch)
            result.mismatches.append(*imported->mismatch);
    }
    CheckIo();
    CloseTextFile(ff);
    CheckIo();
    return result;
}

QString mismatchDetails(const QList<AmountMismatch> &mismatches)
{
    QStringList lines;
    for (const AmountMismatch &m : mismatches) {
        lines << QStringLiteral("Línea %1, Comprobante %2: Importe Comp. %3, Importe Ret. %4, "
                                "corresponde %5")
                     .arg(m.lineNumber)
                     .arg(m.receipt, m.invoiceAmount, m.storedAmount, m.expectedAmount);
    }
    return lines.join(QLatin1Char('\n'));
}

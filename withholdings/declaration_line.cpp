#include "withholdings/declaration_line.h"

#include "withholdings/declaration_record.h"

#include "common/errors.h"
#include "common/numbers.h"
#include "common/text_file.h"
#include "common/text_helpers.h"

QString amountTextFromField(const QString &field)
{
    return SubText(field, 1, 9) + QLatin1Char('.') + SubText(field, 10, 2);
}

DeclarationLine readDeclarationLine(const QString &line)
{
    // A date left incomplete at entry is written short and right-aligned ("      //" for a date
    // box never typed into, "    2017" for a year alone). Its trimmed text, cut DD, MM, YYYY
    // with a "/" only before a part that is there, writes back as the same eight columns.
    const QString date = TrimBlanks(recordFieldText(line, RecordField::Date));
    QString dateText = SubText(date, 1, 2);
    if (date.size() > 2)
        dateText += QLatin1Char('/') + SubText(date, 3, 2);
    if (date.size() > 4)
        dateText += QLatin1Char('/') + SubText(date, 5, 4);

    const QString withheldField = recordFieldText(line, RecordField::WithheldAmount);
    DeclarationLine result;
    result.row.supplierCuit = TrimBlanks(recordFieldText(line, RecordField::SupplierCuit));
    result.row.date = TrimBlanks(dateText);
    result.row.withheldAmount = TrimBlanks(amountTextFromField(withheldField));
    result.row.receipt = TrimBlanks(recordFieldText(line, RecordField::Receipt));
    result.row.companyName = TrimBlanks(recordFieldText(line, RecordField::CompanyName));
    result.row.invoiceAmount =
        TrimBlanks(amountTextFromField(recordFieldText(line, RecordField::InvoiceAmount)));
    // A line that stops before the withheld amount (a blank line, a cut line) is refused as a
    // field that is no number, not loaded as a row of nothing worth 0.
    if (withheldField.isEmpty())
        throw ConversionError(QStringLiteral("'.' is not a valid floating point value"));
    result.withheldAmount = ParseDecimal(result.row.withheldAmount);
    return result;
}

QList<DeclarationLine> readDeclarationFile(TextFile &ff, const QString &fileName)
{
    CloseOnError guard(ff);
    BindTextFile(ff, fileName);
    LoadTextFile(ff);
    CheckIo();
    return readDeclarationText(ff);
}

QList<DeclarationLine> readDeclarationText(TextFile &ff)
{
    CloseOnError guard(ff);
    QList<DeclarationLine> lines;
    lines.reserve(expectedRecords(ff.bufferedBytes()));
    while (!AtTextEnd(ff)) {
        CheckIo();
        const QString line = ReadLineText(ff);
        SkipPastLineEnd(ff);
        CheckIo();
        lines.append(readDeclarationLine(line));
    }
    CheckIo();
    CloseTextFile(ff);
    CheckIo();
    return lines;
}

#include "withholdings/declaration_line.h"

#include "withholdings/declaration_record.h"

#include "common/errors.h"
#include "common/numbers.h"
#include "common/text_file.h"
#include "common/text_helpers.h"

QString amountTextFromField(QStringView field)
{
    const QStringView whole = SubTextView(field, 1, 9);
    const QStringView decimals = SubTextView(field, 10, 2);
    QString text;
    text.reserve(whole.size() + 1 + decimals.size());
    text.append(whole).append(QLatin1Char('.')).append(decimals);
    return text;
}

DeclarationLine readDeclarationLine(const QString &line)
{
    // Each field is cut and trimmed in place and copied once: a large file has many lines.
    const auto trimmedField = [&](RecordField f) {
        return TrimBlanksView(recordFieldView(line, f)).toString();
    };

    // A date left incomplete at entry is written short and right-aligned ("      //" for a date
    // box never typed into, "    2017" for a year alone). Its trimmed text, cut DD, MM, YYYY
    // with a "/" only before a part that is there, writes back as the same eight columns.
    const QStringView date = TrimBlanksView(recordFieldView(line, RecordField::Date));
    QString dateText;
    dateText.reserve(10);
    dateText.append(SubTextView(date, 1, 2));
    if (date.size() > 2)
        dateText.append(QLatin1Char('/')).append(SubTextView(date, 3, 2));
    if (date.size() > 4)
        dateText.append(QLatin1Char('/')).append(SubTextView(date, 5, 4));

    const QStringView withheldField = recordFieldView(line, RecordField::WithheldAmount);
    DeclarationLine result;
    result.row.supplierCuit = trimmedField(RecordField::SupplierCuit);
    result.row.date = TrimBlanks(dateText);
    result.row.withheldAmount = TrimBlanks(amountTextFromField(withheldField));
    result.row.receipt = trimmedField(RecordField::Receipt);
    result.row.companyName = trimmedField(RecordField::CompanyName);
    result.row.invoiceAmount =
        TrimBlanks(amountTextFromField(recordFieldView(line, RecordField::InvoiceAmount)));
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

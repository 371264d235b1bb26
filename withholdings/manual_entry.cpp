#include "withholdings/manual_entry.h"

#include "common/errors.h"
#include "common/numbers.h"
#include "common/text_helpers.h"
#include "withholdings/withheld_amount.h"

QStringList dateProblems(const QString &date, const QString &declaredMonth, const QString &declaredYear)
{
    if (TrimBlanks(date).isEmpty())
        return {DateErrorMessage};
    qint32 month = 0;
    qint32 year = 0;
    try {
        month = ParseInteger(SubText(date, 3, 2));
        year = ParseInteger(SubText(date, 5, 4));
    } catch (const ConversionError &) {
        // 15/__/2017: a date that names no month is as wrong as none at all.
        return {DateErrorMessage};
    }
    QStringList problems;
    if (month != ParseInteger(TrimBlanks(declaredMonth)))
        problems << DateMonthMessage;
    if (year != ParseInteger(TrimBlanks(declaredYear)))
        problems << DateYearMessage;
    return problems;
}

InvoiceAmountCheck checkInvoiceAmount(const QString &text)
{
    const QString typed = TrimBlanks(text).isEmpty() ? QStringLiteral("0") : text;
    InvoiceAmountCheck check;
    check.formatted = FormatDecimal(QStringLiteral("0.00"), ParseDecimal(typed));
    const Decimal v = ParseDecimal(TrimBlanks(check.formatted));
    if (!(v > 0))
        check.problem = AmountNotPositiveMessage;
    // The record holds nine whole digits of an amount; a larger one would shift its columns.
    else if (!invoiceAmountInRange(v))
        check.problem = AmountOutOfRangeMessage;
    else
        check.withheld = IntegerText(withheldAmount(v));
    return check;
}

bool requiredFieldsPresent(const QString &legajo, const ManualEntry &entry)
{
    return !legajo.isEmpty() && !entry.receipt.isEmpty() && !entry.supplierCuit.isEmpty() &&
           !entry.withheldAmount.isEmpty();
}

EntryAddition entryAddition(const ManualEntry &entry, const QString &declaredMonth,
                            const QString &declaredYear)
{
    EntryAddition addition;
    if (!TrimBlanks(entry.date).isEmpty()) {
        addition.messages = dateProblems(entry.date, declaredMonth, declaredYear);
        if (!addition.messages.isEmpty()) {
            addition.refusedBox = EntryBox::Date;
            return addition;
        }
    }
    InvoiceAmountCheck check;
    try {
        check = checkInvoiceAmount(entry.invoiceAmount);
    } catch (const ConversionError &error) {
        addition.refusedBox = EntryBox::InvoiceAmount;
        addition.conversionError = error.message();
        return addition;
    }
    if (!check.problem.isEmpty()) {
        addition.refusedBox = EntryBox::InvoiceAmount;
        addition.messages = {check.problem};
        return addition;
    }
    ManualEntry checked = entry;
    checked.invoiceAmount = check.formatted;
    checked.withheldAmount = check.withheld;
    addition.row = manualRow(checked);
    return addition;
}

Withholding manualRow(const ManualEntry &entry)
{
    const QString date = TrimBlanks(entry.date);
    const QString &cuit = entry.supplierCuit;
    return Withholding{
        TrimBlanks(entry.receipt),
        SubText(date, 1, 2) + QLatin1Char('/') + SubText(date, 3, 2) + QLatin1Char('/') + SubText(date, 5, 4),
        TrimBlanks(entry.invoiceAmount),
        TrimBlanks(entry.withheldAmount),
        TrimBlanks(entry.companyName),
        SubText(cuit, 1, 2) + QLatin1Char('-') + SubText(cuit, 3, 8) + QLatin1Char('-') +
            SubText(cuit, 11, 1),
    };
}

QList<Withholding> reloadedRows(const QList<DeclarationLine> &lines)
{
    QList<Withholding> rows;
    rows.reserve(lines.size());
    for (const DeclarationLine &line : lines)
        rows.append(line.row);
    return rows;
}

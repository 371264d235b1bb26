#include "declaration/declaration_file.h"

#include "common/numbers.h"
#include "common/regional.h"
#include "common/text_file.h"
#include "common/text_helpers.h"

namespace {
QString zeroPadded(const QString &value, int width)
{
    return value.size() >= width ? value : QString(width - value.size(), QLatin1Char('0')) + value;
}

// A field's text, trimmed, as the file will hold it. The code page writes a character beyond
// the basic plane (two UTF-16 units, such as an emoji pasted into a name) as one "?"; counting
// it as two would leave the field one byte short and shift every later column. A control
// character pasted into a box (a line break, a tab, the end-of-file mark) becomes a blank, so
// that a record stays one line that reads back whole.
QString fieldText(const QString &text)
{
    QString out = TrimBlanks(text);
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (out.at(i).isHighSurrogate() && i + 1 < out.size() && out.at(i + 1).isLowSurrogate())
            out.replace(i, 2, QLatin1Char('?'));
        else if (out.at(i).unicode() < 32)
            out[i] = QLatin1Char(' ');
    }
    return out;
}
} // namespace

int declaredYear(const QString &yearText)
{
    return ParseInteger(TrimBlanks(yearText));
}

int declaredMonth(const QString &monthText)
{
    return ParseInteger(TrimBlanks(monthText));
}

QString monthCode(int month)
{
    if (month >= 1 && month <= 9)
        return QString(QChar(u'0' + month));
    if (month >= 10 && month <= 12)
        return QString(QChar(u'A' + (month - 10)));
    return {};
}

QString declarationBaseName(const QString &yearText, const QString &monthText, const QString &legajoText)
{
    const QString year = SubText(IntegerText(declaredYear(yearText)), 3, 2);
    const QString month = monthCode(declaredMonth(monthText));
    const QString legajo = TrimBlanks(legajoText);
    const QString legajoPart = legajo.isEmpty() || legajo.size() > 5 ? QString() : zeroPadded(legajo, 5);
    return year + month + legajoPart;
}

QString amountField(const QString &text)
{
    const QString trimmed = TrimBlanks(text);
    const QString whole = QString::number(TruncToInteger(ParseDecimal(trimmed)));
    // The decimals are copied as typed, after the separator the number was read with; under
    // the "." setting that is the first ".".
    const qsizetype separatorAt = trimmed.indexOf(DecimalSeparator());
    QString decimals = separatorAt < 0 ? QString() : trimmed.mid(separatorAt + 1);
    if (decimals.isEmpty())
        decimals = QStringLiteral("00");
    else if (decimals.size() == 1)
        decimals += QLatin1Char('0');
    return padRecordField(RecordField::WithheldAmount, whole + decimals);
}

QString receiptNumberField(const QString &text)
{
    return padRecordField(RecordField::Receipt, fieldText(text));
}

QString nameField(const QString &text)
{
    return padRecordField(RecordField::CompanyName, fieldText(text));
}

QString dateField(const QString &text)
{
    const QString trimmed = fieldText(text);
    return SubText(trimmed, 1, 2) + SubText(trimmed, 4, 2) + SubText(trimmed, 7, 4);
}

namespace {
// The header's fields as every record of a declaration writes them, made once per declaration
// rather than once per record.
struct HeaderFields {
    QString year, month, agentCuit, agentName; // as given
    QString yearField, monthField, agentCuitField, agentNameField;
};

const HeaderFields &headerFields(const DeclarationHeader &header)
{
    thread_local HeaderFields fields;
    if (fields.yearField.isNull() || fields.year != header.year || fields.month != header.month ||
        fields.agentCuit != header.agentCuit || fields.agentName != header.agentName) {
        HeaderFields made;
        made.yearField = padRecordField(RecordField::Year, IntegerText(declaredYear(header.year)));
        made.monthField = padRecordField(RecordField::Month, IntegerText(declaredMonth(header.month)));
        made.agentCuitField = padRecordField(RecordField::AgentCuit, fieldText(header.agentCuit));
        made.agentNameField = padRecordField(RecordField::AgentName, fieldText(header.agentName));
        made.year = header.year;
        made.month = header.month;
        made.agentCuit = header.agentCuit;
        made.agentName = header.agentName;
        fields = std::move(made);
    }
    return fields;
}
} // namespace

QString declarationRecord(const Withholding &row, const DeclarationHeader &header)
{
    const HeaderFields &fields = headerFields(header);
    QString record;
    record.reserve(DeclarationRecordWidth);
    for (const RecordFieldLayout &layout : DeclarationRecordLayout) {
        switch (layout.field) {
        case RecordField::SupplierCuit:
            record += padRecordField(layout.field, fieldText(row.supplierCuit));
            break;
        case RecordField::Year:
            record += fields.yearField;
            break;
        case RecordField::Month:
            record += fields.monthField;
            break;
        case RecordField::Date:
            record += padRecordField(layout.field, dateField(row.date));
            break;
        case RecordField::WithheldAmount:
            record += amountField(row.withheldAmount);
            break;
        case RecordField::Receipt:
            record += receiptNumberField(row.receipt);
            break;
        case RecordField::CompanyName:
            record += nameField(row.companyName);
            break;
        case RecordField::AgentCuit:
            record += fields.agentCuitField;
            break;
        case RecordField::AgentName:
            record += fields.agentNameField;
            break;
        case RecordField::InvoiceAmount:
            record += amountField(row.invoiceAmount);
            break;
        }
    }
    return record;
}

void createDeclarationFile(TextFile &f, const QString &fileName, bool fresh)
{
    BindTextFile(f, fileName);
    SetTextBuffer(f, LongFileBuffer);
    if (fresh)
        CreateNewTextFile(f);
    else
        CreateTextFile(f);
    CheckIo();
}

void appendDeclarationRecord(TextFile &f, const QString &record)
{
    // Records follow one another in the open file; reopening it for each one would only
    // cost time.
    if (f.mode() != TextFile::Mode::Writing) {
        OpenTextForAppending(f);
        CheckIo();
    }
    WriteText(f, record);
    WriteText(f, QStringLiteral("\r"));
    WriteLineBreak(f);
    CheckIo();
}

void closeDeclarationFile(TextFile &f)
{
    CloseTextFile(f);
    CheckIo();
}

void writeDeclarationFile(TextFile &f, const QString &fileName, const DeclarationHeader &header,
                          const QList<Withholding> &rows)
{
    createDeclarationFile(f, fileName);
    for (const Withholding &row : rows)
        appendDeclarationRecord(f, declarationRecord(row, header));
    closeDeclarationFile(f);
}

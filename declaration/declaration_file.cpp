#include "declaration/declaration_file.h"

#include "common/numbers.h"
#include "common/regional.h"
#include "common/text_file.h"
#include "common/text_helpers.h"

#include <QVarLengthArray>

#include <algorithm>

namespace {
QString zeroPadded(const QString &value, int width)
{
    return value.size() >= width ? value : QString(width - value.size(), QLatin1Char('0')) + value;
}

// The characters of one field while its record is made; a field's text is short, and made
// without an allocation of its own.
using FieldChars = QVarLengthArray<QChar, 128>;

QStringView view(const FieldChars &chars)
{
    return QStringView(chars.constData(), chars.size());
}

// A field's text, trimmed, as the file will hold it. The code page writes a character beyond
// the basic plane (two UTF-16 units, such as an emoji pasted into a name) as one "?"; counting
// it as two would leave the field one byte short and shift every later column. A control
// character pasted into a box (a line break, a tab, the end-of-file mark) becomes a blank, so
// that a record stays one line that reads back whole.
void fieldText(QStringView text, FieldChars &out)
{
    const QStringView trimmed = TrimBlanksView(text);
    out.clear();
    out.reserve(trimmed.size());
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        if (c.isHighSurrogate() && i + 1 < trimmed.size() && trimmed.at(i + 1).isLowSurrogate()) {
            out.append(QLatin1Char('?'));
            ++i;
        } else {
            out.append(c.unicode() < 32 ? QChar(QLatin1Char(' ')) : c);
        }
    }
}

QString fieldText(const QString &text)
{
    FieldChars chars;
    fieldText(text, chars);
    return view(chars).toString();
}

// Appends the value padded to its field, as padRecordField() pads it.
void appendPadded(QString &record, RecordField field, QStringView value)
{
    const RecordFieldLayout &layout = recordLayout(field);
    const qsizetype padding = std::max<qsizetype>(layout.width - value.size(), 0);
    if (!layout.leftAligned)
        record.resize(record.size() + padding, QChar(layout.padding));
    record.append(value);
    if (layout.leftAligned)
        record.resize(record.size() + padding, QChar(layout.padding));
}

void appendTextField(QString &record, RecordField field, const QString &cell, FieldChars &chars)
{
    fieldText(cell, chars);
    appendPadded(record, field, view(chars));
}

void appendAmountField(QString &record, const QString &cell, FieldChars &chars)
{
    const QString trimmed = TrimBlanks(cell);
    const qint64 whole = TruncToInteger(ParseDecimal(trimmed));
    chars.clear();
    if (whole < 0)
        chars.append(QLatin1Char('-'));
    // Through the unsigned type so that the smallest value keeps its digits.
    quint64 rest = whole < 0 ? 0 - quint64(whole) : quint64(whole);
    const qsizetype firstDigit = chars.size();
    do {
        chars.append(QChar(u'0' + char16_t(rest % 10)));
        rest /= 10;
    } while (rest > 0);
    std::reverse(chars.begin() + firstDigit, chars.end());
    // The decimals are copied as typed, after the separator the number was read with; under
    // the "." setting that is the first ".".
    const qsizetype separatorAt = trimmed.indexOf(DecimalSeparator());
    const QStringView decimals = separatorAt < 0 ? QStringView() : QStringView(trimmed).mid(separatorAt + 1);
    if (decimals.isEmpty()) {
        chars.append(QLatin1Char('0'));
        chars.append(QLatin1Char('0'));
    } else {
        chars.append(decimals.constData(), decimals.size());
        if (decimals.size() == 1)
            chars.append(QLatin1Char('0'));
    }
    appendPadded(record, RecordField::WithheldAmount, view(chars));
}

// DD/MM/YYYY rearranged as DDMMYYYY, in `out`.
void dateText(const QString &cell, FieldChars &out)
{
    FieldChars trimmed;
    fieldText(cell, trimmed);
    out.clear();
    for (const QStringView part : {SubTextView(view(trimmed), 1, 2), SubTextView(view(trimmed), 4, 2),
                                   SubTextView(view(trimmed), 7, 4)})
        out.append(part.constData(), part.size());
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
    QString field;
    FieldChars chars;
    appendAmountField(field, text, chars);
    return field;
}

QString receiptNumberField(const QString &text)
{
    QString field;
    FieldChars chars;
    appendTextField(field, RecordField::Receipt, text, chars);
    return field;
}

QString nameField(const QString &text)
{
    QString field;
    FieldChars chars;
    appendTextField(field, RecordField::CompanyName, text, chars);
    return field;
}

QString dateField(const QString &text)
{
    FieldChars chars;
    dateText(text, chars);
    return view(chars).toString();
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
    FieldChars chars;
    for (const RecordFieldLayout &layout : DeclarationRecordLayout) {
        switch (layout.field) {
        case RecordField::SupplierCuit:
            appendTextField(record, layout.field, row.supplierCuit, chars);
            break;
        case RecordField::Year:
            record += fields.yearField;
            break;
        case RecordField::Month:
            record += fields.monthField;
            break;
        case RecordField::Date:
            dateText(row.date, chars);
            appendPadded(record, layout.field, view(chars));
            break;
        case RecordField::WithheldAmount:
            appendAmountField(record, row.withheldAmount, chars);
            break;
        case RecordField::Receipt:
            appendTextField(record, layout.field, row.receipt, chars);
            break;
        case RecordField::CompanyName:
            appendTextField(record, layout.field, row.companyName, chars);
            break;
        case RecordField::AgentCuit:
            record += fields.agentCuitField;
            break;
        case RecordField::AgentName:
            record += fields.agentNameField;
            break;
        case RecordField::InvoiceAmount:
            appendAmountField(record, row.invoiceAmount, chars);
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

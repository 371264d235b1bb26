#pragma once

#include <QString>
#include <array>

// The fields of one record of a declaration file, in the order they follow one another.
enum class RecordField {
    SupplierCuit,
    Year,
    Month,
    Date,
    WithheldAmount,
    Receipt,
    CompanyName,
    AgentCuit,
    AgentName,
    InvoiceAmount,
};

struct RecordFieldLayout {
    RecordField field;
    int first; // 1-based column of the record
    int width;
    bool leftAligned; // else right-aligned, padded in front
    char16_t padding;
};

// The record's layout, the one place its columns are defined. A value longer than its field
// is written whole and pushes the later fields right; the entry checks keep values within.
inline constexpr std::array<RecordFieldLayout, 10> DeclarationRecordLayout = {{
    {RecordField::SupplierCuit, 1, 13, false, u' '},
    {RecordField::Year, 14, 4, false, u' '},
    {RecordField::Month, 18, 2, false, u' '},
    {RecordField::Date, 20, 8, false, u' '},
    {RecordField::WithheldAmount, 28, 11, false, u'0'},
    {RecordField::Receipt, 39, 13, false, u'0'},
    {RecordField::CompanyName, 52, 60, true, u' '},
    {RecordField::AgentCuit, 112, 13, false, u' '},
    {RecordField::AgentName, 125, 60, true, u' '},
    {RecordField::InvoiceAmount, 185, 11, false, u'0'},
}};

constexpr const RecordFieldLayout &recordLayout(RecordField field)
{
    return DeclarationRecordLayout[static_cast<std::size_t>(field)];
}

// Width of a record without its end mark and line break.
inline constexpr int DeclarationRecordWidth =
    DeclarationRecordLayout.back().first + DeclarationRecordLayout.back().width - 1;

// The value padded to its field as the layout says; a longer value is kept whole.
QString padRecordField(RecordField field, const QString &value);

// A receipt number as its record field holds it: trimmed, with "0" in front up to 13 digits.
QString declaredReceipt(const QString &receipt);

// The field's columns of a record line, read in place; a field past the end of a short line
// comes out short or empty.
QStringView recordFieldView(QStringView line, RecordField field);

// About how many records a declaration file of that many bytes holds; for reserving room
// before converting it.
qsizetype expectedRecords(qsizetype fileSize);

#include "withholdings/declaration_record.h"

#include "common/text_helpers.h"

#include <algorithm>

static_assert(DeclarationRecordWidth == 195);

// Each field starts where the one before it ends, and the table follows the enum's order.
static constexpr bool layoutIsContiguous()
{
    int next = 1;
    for (std::size_t i = 0; i < DeclarationRecordLayout.size(); ++i) {
        if (static_cast<std::size_t>(DeclarationRecordLayout[i].field) != i ||
            DeclarationRecordLayout[i].first != next)
            return false;
        next += DeclarationRecordLayout[i].width;
    }
    return true;
}
static_assert(layoutIsContiguous());

QString padRecordField(RecordField field, const QString &value)
{
    const RecordFieldLayout &layout = recordLayout(field);
    if (value.size() >= layout.width)
        return value;
    const QString padding(layout.width - value.size(), QChar(layout.padding));
    return layout.leftAligned ? value + padding : padding + value;
}

QString declaredReceipt(const QString &receipt)
{
    return padRecordField(RecordField::Receipt, TrimBlanks(receipt));
}

QStringView recordFieldView(QStringView line, RecordField field)
{
    const RecordFieldLayout &layout = recordLayout(field);
    return SubTextView(line, layout.first, layout.width);
}

qsizetype expectedRecords(qsizetype fileSize)
{
    // A record, its end mark and the line break; a million at most, whatever the file holds.
    return std::min<qsizetype>(fileSize / (DeclarationRecordWidth + 3), 1000000);
}

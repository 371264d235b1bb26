#include "report/row_source.h"

TableRowSource::TableRowSource(const QStringList &columns, std::vector<QVariantList> rows)
    : rows_(std::move(rows))
{
    for (int i = 0; i < columns.size(); ++i)
        columns_.insert(columns.at(i).toUpper(), i);
}

bool TableRowSource::next()
{
    if (current_ < static_cast<qsizetype>(rows_.size()))
        ++current_;
    return current_ < static_cast<qsizetype>(rows_.size());
}

QVariant TableRowSource::value(const QString &column) const
{
    if (current_ < 0 || current_ >= static_cast<qsizetype>(rows_.size()))
        return {};
    const int index = columns_.value(column.toUpper(), -1);
    const QVariantList &row = rows_[current_];
    return index >= 0 && index < row.size() ? row.at(index) : QVariant();
}

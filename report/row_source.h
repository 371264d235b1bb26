#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

// The rows a report lists, read forward once, like a database result set.
class RowSource {
public:
    virtual ~RowSource() = default;
    // The number of rows, for the progress figure; -1 when not known in advance.
    virtual int rowCount() const = 0;
    // Moves to the next row (the first one on the first call); false when none is left.
    virtual bool next() = 0;
    // The current row's value of the named column; an invalid QVariant for an unknown name.
    virtual QVariant value(const QString &column) const = 0;
};

// Rows held in memory. Column names match without regard to case, as database names do.
class TableRowSource : public RowSource {
public:
    explicit TableRowSource(const QStringList &columns, std::vector<QVariantList> rows = {});
    void addRow(QVariantList row) { rows_.push_back(std::move(row)); }

    int rowCount() const override { return static_cast<int>(rows_.size()); }
    bool next() override;
    QVariant value(const QString &column) const override;

private:
    QHash<QString, int> columns_;
    std::vector<QVariantList> rows_;
    qsizetype current_ = -1;
};

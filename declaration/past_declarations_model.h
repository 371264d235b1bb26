#pragma once

#include "declaration/filed_declaration.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>

#include <functional>

// The rows of DECLARACION as the window of past declarations lists them, newest first. They
// come a batch at a time as the list is scrolled, and the last column says whether each file
// is still the one recorded; a file is looked at only when its row is first shown. So a long
// history opens at once.
class PastDeclarationsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int MarkColumn = 7;
    // Gives up to that many more rows; fewer means there are no more.
    using Source = std::function<QList<FiledDeclaration>(int max)>;

    explicit PastDeclarationsModel(QObject *parent = nullptr);

    // These rows and no more; files are looked for as on `machine`.
    void setDeclarations(QList<FiledDeclaration> rows, const QString &machine = thisMachine());
    // Rows from `source`, the first batch at once.
    void setSource(Source source, const QString &machine = thisMachine());

    const FiledDeclaration &declaration(int row) const { return rows_.at(row); }
    FileMark mark(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    // Rows taken from the source at a time.
    static constexpr int Batch = 100;

private:
    QList<FiledDeclaration> rows_;
    Source source_;
    QString machine_;
    mutable QHash<int, FileMark> marks_; // by row
};

#pragma once

#include "declaration/filed_declaration.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>

// The rows of DECLARACION as the window of past declarations lists them, newest first, with
// the filters by legajo and period. The last column says whether each file is still the one
// recorded; a file is looked at only when its row is first shown, so that a long history
// opens at once.
class PastDeclarationsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int MarkColumn = 7;

    explicit PastDeclarationsModel(QObject *parent = nullptr);

    // `rows` newest first, as readFiledDeclarations() gives them; files are looked for as on
    // `machine`.
    void setDeclarations(QList<FiledDeclaration> rows, const QString &machine = thisMachine());
    void setFilter(const QString &legajo, const QString &period);

    int totalCount() const { return int(all_.size()); }
    const FiledDeclaration &declaration(int row) const { return all_.at(shown_.at(row)); }
    FileMark mark(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<FiledDeclaration> all_;
    QList<int> shown_; // indexes into all_
    QString machine_;
    QString legajo_, period_;
    mutable QHash<int, FileMark> marks_; // by index into all_
};

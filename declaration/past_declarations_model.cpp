#include "declaration/past_declarations_model.h"

#include <QColor>
#include <QDir>

PastDeclarationsModel::PastDeclarationsModel(QObject *parent) : QAbstractTableModel(parent) {}

void PastDeclarationsModel::setDeclarations(QList<FiledDeclaration> rows, const QString &machine)
{
    beginResetModel();
    all_ = std::move(rows);
    machine_ = machine;
    marks_.clear();
    shown_.clear();
    shown_.reserve(all_.size());
    for (int i = 0; i < all_.size(); ++i)
        if (matchesFilter(all_.at(i), legajo_, period_))
            shown_.append(i);
    endResetModel();
}

void PastDeclarationsModel::setFilter(const QString &legajo, const QString &period)
{
    legajo_ = legajo;
    period_ = period;
    beginResetModel();
    shown_.clear();
    for (int i = 0; i < all_.size(); ++i)
        if (matchesFilter(all_.at(i), legajo_, period_))
            shown_.append(i);
    endResetModel();
}

FileMark PastDeclarationsModel::mark(int row) const
{
    const int index = shown_.at(row);
    auto found = marks_.constFind(index);
    if (found == marks_.cend())
        found = marks_.insert(index, checkFiledDeclaration(all_.at(index), machine_));
    return *found;
}

int PastDeclarationsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(shown_.size());
}

int PastDeclarationsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : MarkColumn + 1;
}

QVariant PastDeclarationsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= shown_.size())
        return {};
    const FiledDeclaration &d = declaration(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        if (column == MarkColumn)
            return fileMarkText(mark(index.row()), d);
        return pastDeclarationCells(d).value(column);
    case Qt::ToolTipRole:
        if (column == 6 || column == MarkColumn)
            return QDir::toNativeSeparators(d.file) + QStringLiteral("\nequipo: ") + d.host +
                   QStringLiteral("\nSHA-256: ") + QString::fromLatin1(d.sha256);
        return {};
    case Qt::TextAlignmentRole:
        if (column == 2 || column == 4 || column == 5)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        if (column == MarkColumn && mark(index.row()) != FileMark::Unchanged)
            return QColor(Qt::darkRed);
        return {};
    default:
        return {};
    }
}

QVariant PastDeclarationsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return pastDeclarationTitles().value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

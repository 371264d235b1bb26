#include "grid_model.h"

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent), cells_(LastRow + 1) {}

QString GridModel::cell(int row, int column) const
{
    return inGrid(row, column) ? cells_[row][column] : QString();
}

void GridModel::setCell(int row, int column, const QString &text)
{
    if (!inGrid(row, column))
        return;
    cells_[row][column] = text;
    if (row == 0) {
        Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
    } else {
        const QModelIndex at = index(viewRow(row), column);
        Q_EMIT dataChanged(at, at, {Qt::DisplayRole});
    }
}

void GridModel::writeTitles()
{
    static const char *const titles[ColumnCount] = {
        "", "Nro.Comp.", "Fecha", "Importe Comp.", "Importe Ret.", "Empresa", "CUIT"};
    for (int column = 0; column < ColumnCount; ++column)
        cells_[0][column] = QString::fromUtf8(titles[column]);
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void GridModel::reset()
{
    for (int row = 1; row <= LastRow; ++row)
        for (QString &text : cells_[row])
            text.clear();
    // The view keeps its selection and current row, as the grid does when it is emptied.
    Q_EMIT dataChanged(index(0, 0), index(LastRow - 1, ColumnCount - 1), {Qt::DisplayRole});
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : LastRow;
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return cell(gridRow(index), index.column());
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return cell(0, section);
    return section + 1;
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

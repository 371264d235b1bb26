#include "withholdings/grid_model.h"

#include "common/numbers.h"
#include "common/text_helpers.h"

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
    fila_ = 1;
    // The view keeps its selection and current row, as the grid does when it is emptied.
    Q_EMIT dataChanged(index(0, 0), index(LastRow - 1, ColumnCount - 1), {Qt::DisplayRole});
    setTotal(QStringLiteral("0"));
}

bool GridModel::append(const RowCells &cells)
{
    if (!hasRoomFor(1))
        return false;
    const int row = fila_;
    cells_[row][0] = IntegerText(row);
    for (int column = 1; column < ColumnCount; ++column)
        cells_[row][column] = cells[column - 1];
    Q_EMIT dataChanged(index(viewRow(row), 0), index(viewRow(row), ColumnCount - 1), {Qt::DisplayRole});
    ++fila_;
    addToTotal(cells[3]);
    return true;
}

void GridModel::addToTotal(const QString &amountText)
{
    const Decimal sum = DecimalSum(ParseDecimal(TrimBlanks(total_)), ParseDecimal(TrimBlanks(amountText)));
    setTotal(DecimalText(sum));
}

bool GridModel::deleteRow(int row)
{
    if (row < 1 || row > LastRow)
        return false;
    const QString withheld = cells_[row][4];
    if (!isOccupied(row))
        return false;
    for (int column = 1; column < ColumnCount; ++column)
        cells_[row][column].clear();
    Q_EMIT dataChanged(index(viewRow(row), 1), index(viewRow(row), ColumnCount - 1), {Qt::DisplayRole});
    setTotal(DecimalText(DecimalDifference(ParseDecimal(TrimBlanks(total_)), ParseDecimal(withheld))));
    return true;
}

bool GridModel::isOccupied(int row) const
{
    return !TrimBlanks(cell(row, 1)).isEmpty();
}

int GridModel::receiptCount(const QString &receipt) const
{
    const QString wanted = TrimBlanks(receipt);
    if (wanted.isEmpty())
        return 0;
    int count = 0;
    for (int row = 1; row <= LastRow; ++row)
        if (TrimBlanks(cells_[row][1]) == wanted)
            ++count;
    return count;
}

void GridModel::setTotal(const QString &text)
{
    total_ = text;
    Q_EMIT totalChanged(total_);
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

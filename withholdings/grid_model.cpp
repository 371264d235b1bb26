#include "withholdings/grid_model.h"

#include "common/numbers.h"
#include "common/text_helpers.h"
#include "withholdings/declaration_record.h"

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent), rows_(LastRow + 1) {}

QString *GridModel::cellText(int row, int column)
{
    if (!inGrid(row, column))
        return nullptr;
    if (row == 0)
        return &titles_[column];
    if (column == RowNumberColumn)
        return &rows_[row].number;
    return &(rows_[row].withholding.*Withholding::field(column));
}

QString GridModel::cell(int row, int column) const
{
    if (!inGrid(row, column))
        return {};
    if (row == 0)
        return titles_[column];
    if (column == RowNumberColumn)
        return rows_[row].number;
    return rows_[row].withholding.*Withholding::field(column);
}

void GridModel::setCell(int row, int column, const QString &text)
{
    QString *cell = cellText(row, column);
    if (!cell)
        return;
    *cell = text;
    if (row == 0) {
        Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
    } else {
        const QModelIndex at = index(viewRow(row), column);
        Q_EMIT dataChanged(at, at, {Qt::DisplayRole});
    }
}

Withholding GridModel::withholding(int row) const
{
    return row >= 1 && row <= LastRow ? rows_[row].withholding : Withholding();
}

void GridModel::writeTitles()
{
    static const char *const titles[ColumnCount] = {
        "", "Nro.Comp.", "Fecha", "Importe Comp.", "Importe Ret.", "Empresa", "CUIT"};
    for (int column = 0; column < ColumnCount; ++column)
        titles_[column] = QString::fromUtf8(titles[column]);
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void GridModel::reset()
{
    for (int row = 1; row <= LastRow; ++row)
        rows_[row] = Row();
    fila_ = 1;
    // The view keeps its selection and current row, as the grid does when it is emptied.
    Q_EMIT dataChanged(index(0, 0), index(LastRow - 1, ColumnCount - 1), {Qt::DisplayRole});
    setTotal(QStringLiteral("0"));
}

bool GridModel::append(const Withholding &row)
{
    if (!hasRoomFor(1))
        return false;
    const int at = fila_;
    rows_[at] = Row{IntegerText(at), row};
    Q_EMIT dataChanged(index(viewRow(at), 0), index(viewRow(at), ColumnCount - 1), {Qt::DisplayRole});
    ++fila_;
    addToTotal(row.withheldAmount);
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
    const QString withheld = rows_[row].withholding.withheldAmount;
    if (!isOccupied(row))
        return false;
    rows_[row].withholding = Withholding();
    Q_EMIT dataChanged(index(viewRow(row), 1), index(viewRow(row), ColumnCount - 1), {Qt::DisplayRole});
    setTotal(DecimalText(DecimalDifference(ParseDecimal(TrimBlanks(total_)), ParseDecimal(withheld))));
    return true;
}

bool GridModel::isOccupied(int row) const
{
    return row >= 1 && row <= LastRow && !TrimBlanks(rows_[row].withholding.receipt).isEmpty();
}

int GridModel::receiptCount(const QString &receipt) const
{
    if (TrimBlanks(receipt).isEmpty())
        return 0;
    int count = 0;
    for (int row = 1; row <= LastRow; ++row)
        if (sameReceipt(rows_[row].withholding.receipt, receipt))
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

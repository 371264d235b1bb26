#include "withholdings/grid_model.h"

#include "common/numbers.h"
#include "common/text_helpers.h"
#include "withholdings/declaration_record.h"

#include <algorithm>
#include <cstdlib>
#include <exception>

namespace {
// Totals below this many units are written by DecimalText with every digit and no exponent.
constexpr qint64 WholeTotalLimit = 1'000'000'000'000'000;

// The number written by 1 to `most` decimal digits and nothing else.
bool digitsValue(QStringView digits, qsizetype most, qint64 &value)
{
    if (digits.isEmpty() || digits.size() > most)
        return false;
    qint64 n = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return false;
        n = n * 10 + (c.unicode() - u'0');
    }
    value = n;
    return true;
}

// An amount of plain digits (a "-" at most before them, blanks around), below the limit.
bool plainWholeAmount(QStringView text, qint64 &value)
{
    text = TrimBlanksView(text);
    const bool negative = text.startsWith(QLatin1Char('-'));
    qint64 n = 0;
    if (!digitsValue(negative ? text.mid(1) : text, 15, n) || n >= WholeTotalLimit)
        return false;
    value = negative ? -n : n;
    return true;
}

// A receipt of 1 to 13 digits between blanks: its key is those digits with "0" in front up to
// 13, so two of them share a key exactly when their numbers are equal, and no receipt of
// another shape has such a key.
bool digitReceipt(const QString &receipt, qint64 &number)
{
    return digitsValue(TrimBlanksView(receipt), 13, number);
}
} // namespace

QString receiptKey(const QString &receipt)
{
    // As the declaration writes it, so that 123 and 0000000000123 are one receipt; an empty
    // number is no receipt.
    const QString trimmed = TrimBlanks(receipt);
    return trimmed.isEmpty() ? QString() : declaredReceipt(trimmed);
}

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent), rows_(ShownRows + 1) {}

QString GridModel::cell(int row, int column) const
{
    if (!inGrid(row, column))
        return {};
    if (row == 0)
        return titles_[column];
    if (column == RowNumberColumn)
        return rows_[row].numbered ? IntegerText(row) : rows_[row].number;
    return rows_[row].withholding.*Withholding::field(column);
}

void GridModel::setCell(int row, int column, const QString &text)
{
    if (!inGrid(row, column))
        return;
    if (row == 0) {
        titles_[column] = text;
        Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
        return;
    }
    Row &at = rows_[row];
    if (column == RowNumberColumn) {
        at.number = text;
        at.numbered = false;
    } else {
        QString &field = at.withholding.*Withholding::field(column);
        if (column == ReceiptColumn) {
            countReceipt(field, -1);
            countReceipt(text, +1);
        }
        field = text;
    }
    const QModelIndex changed = index(viewRow(row), column);
    Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole});
}

Withholding GridModel::withholding(int row) const
{
    return row >= 1 && row <= lastRow() ? rows_[row].withholding : Withholding();
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
    if (lastRow() > ShownRows) {
        beginRemoveRows(QModelIndex(), ShownRows, lastRow() - 1);
        rows_.resize(ShownRows + 1);
        rows_.shrink_to_fit();
        endRemoveRows();
    }
    for (int row = 1; row <= ShownRows; ++row)
        rows_[row] = Row();
    numberedReceipts_.clear();
    receipts_.clear();
    fila_ = 1;
    // The view keeps its selection and current row, as the grid does when it is emptied.
    Q_EMIT dataChanged(index(0, 0), index(ShownRows - 1, ColumnCount - 1), {Qt::DisplayRole});
    setTotal(QStringLiteral("0"));
}

void GridModel::store(const Withholding &row)
{
    const int at = fila_;
    if (at > lastRow())
        rows_.emplace_back();
    rows_[at] = Row{QString(), row, false, true};
    countReceipt(row.receipt, +1);
    ++fila_;
}

bool GridModel::append(const Withholding &row)
{
    return appendAll(QList<Withholding>{row});
}

bool GridModel::appendAll(const QList<Withholding> &rows)
{
    if (rows.isEmpty())
        return true;
    if (!hasRoomFor(rows.size()))
        return false;

    // The running total as each append would leave it, worked out before the grid changes so
    // that the view is told once. The row whose amount does not convert is still appended;
    // the rows after it are not.
    QString total = total_;
    qsizetype count = rows.size();
    std::exception_ptr failure;
    // Whole amounts are summed as integers while the total stays whole and short enough to be
    // written digit for digit: the same total as the text-by-text sum, without converting the
    // total to text and back for every row.
    qint64 whole = 0;
    bool summingWhole = plainWholeAmount(total, whole);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (summingWhole) {
            qint64 amount = 0;
            if (plainWholeAmount(rows[i].withheldAmount, amount) &&
                std::abs(whole + amount) < WholeTotalLimit) {
                whole += amount;
                continue;
            }
            total = QString::number(whole);
            summingWhole = false;
        }
        try {
            const Decimal sum =
                DecimalSum(ParseDecimal(TrimBlanks(total)), ParseDecimal(TrimBlanks(rows[i].withheldAmount)));
            total = DecimalText(sum);
        } catch (...) {
            failure = std::current_exception();
            count = i + 1;
            break;
        }
    }
    if (summingWhole)
        total = QString::number(whole);

    const int first = fila_;
    const int last = first + static_cast<int>(count) - 1;
    const int shown = lastRow();
    if (last > shown) {
        beginInsertRows(QModelIndex(), shown, last - 1);
        // Doubling, so that rows appended one by one do not move the whole grid each time.
        if (rows_.capacity() < static_cast<size_t>(last) + 1)
            rows_.reserve(std::max(static_cast<size_t>(last) + 1, 2 * rows_.capacity()));
    }
    // The receipts' count grows once, not by doubling as a large import goes.
    numberedReceipts_.reserve(numberedReceipts_.size() + count);
    for (qsizetype i = 0; i < count; ++i)
        store(rows[i]);
    if (last > shown)
        endInsertRows();
    if (first <= shown)
        Q_EMIT dataChanged(index(viewRow(first), 0), index(viewRow(std::min(last, shown)), ColumnCount - 1),
                           {Qt::DisplayRole});
    setTotal(total);
    if (failure)
        std::rethrow_exception(failure);
    return true;
}

void GridModel::addToTotal(const QString &amountText)
{
    const Decimal sum = DecimalSum(ParseDecimal(TrimBlanks(total_)), ParseDecimal(TrimBlanks(amountText)));
    setTotal(DecimalText(sum));
}

bool GridModel::deleteRow(int row)
{
    if (!isOccupied(row))
        return false;
    Withholding &deleted = rows_[row].withholding;
    const QString withheld = deleted.withheldAmount;
    countReceipt(deleted.receipt, -1);
    deleted = Withholding();
    rows_[row].deleted = true;
    // The row number stays on screen; what a screen reader reads for it changes.
    Q_EMIT dataChanged(index(viewRow(row), 0), index(viewRow(row), ColumnCount - 1),
                       {Qt::DisplayRole, Qt::AccessibleTextRole});
    setTotal(DecimalText(DecimalDifference(ParseDecimal(TrimBlanks(total_)), ParseDecimal(withheld))));
    return true;
}

bool GridModel::isDeleted(int row) const
{
    return row >= 1 && row <= lastRow() && rows_[row].deleted && !isOccupied(row);
}

bool GridModel::isOccupied(int row) const
{
    return row >= 1 && row <= lastRow() && !TrimBlanks(rows_[row].withholding.receipt).isEmpty();
}

void GridModel::countReceipt(const QString &receipt, int change)
{
    qint64 number = 0;
    if (digitReceipt(receipt, number)) {
        int &count = numberedReceipts_[number];
        count += change;
        if (count <= 0)
            numberedReceipts_.remove(number);
        return;
    }
    const QString key = receiptKey(receipt);
    if (key.isEmpty())
        return;
    int &count = receipts_[key];
    count += change;
    if (count <= 0)
        receipts_.remove(key);
}

int GridModel::receiptCount(const QString &receipt) const
{
    if (qint64 number = 0; digitReceipt(receipt, number))
        return numberedReceipts_.value(number);
    const QString key = receiptKey(receipt);
    return key.isEmpty() ? 0 : receipts_.value(key);
}

void GridModel::setTotal(const QString &text)
{
    total_ = text;
    Q_EMIT totalChanged(total_);
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : lastRow();
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = gridRow(index);
    if (role == Qt::AccessibleTextRole && index.column() == RowNumberColumn && isDeleted(row))
        return QString(cell(row, RowNumberColumn) + QStringLiteral(" borrado"));
    // A reader reads a row cell after cell: each cell of a withholding with its column's
    // title, so that the two amounts are told apart.
    if (role == Qt::AccessibleTextRole && isOccupied(row)) {
        const QString title =
            index.column() == RowNumberColumn ? QStringLiteral("Renglón") : cell(0, index.column());
        const QString text = cell(row, index.column());
        return TrimBlanks(text).isEmpty() ? text : TrimBlanks(title) + QLatin1Char(' ') + text;
    }
    if (role != Qt::DisplayRole)
        return {};
    return cell(row, index.column());
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::AccessibleTextRole && orientation == Qt::Horizontal && section == RowNumberColumn)
        return QStringLiteral("Renglón");
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

QList<Withholding> GridModel::withholdings() const
{
    QList<Withholding> rows;
    for (int row = 1; row <= lastRow(); ++row)
        if (isOccupied(row))
            rows << withholding(row);
    return rows;
}

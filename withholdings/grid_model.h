#pragma once

#include "withholdings/withholding.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QString>
#include <array>
#include <vector>

// The key under which two receipt numbers count as the same receipt in the duplicate check:
// the number as the declaration writes it (declaredReceipt); an empty key matches nothing.
QString receiptKey(const QString &receipt);

// The cells of the withholding grid. Row 0 holds the column titles, rows 1 to lastRow() the
// withholdings; every cell is text. The grid shows ShownRows rows and grows with the appends
// beyond them, up to LastRow. The view sees the title row as its header and grid rows 1 to
// lastRow() as its rows 0 to lastRow() - 1, so all data rows can be seen and selected.
class GridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int ColumnCount = 7;
    // Rows an empty grid shows.
    static constexpr int ShownRows = 500;
    // The most rows a declaration can hold.
    static constexpr int LastRow = 100000;

    explicit GridModel(QObject *parent = nullptr);

    // The last row the grid shows now: ShownRows, or the last appended row beyond them.
    int lastRow() const { return static_cast<int>(rows_.size()) - 1; }

    // Cells by grid row (0 the titles); outside the grid they read empty and take no text.
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString &text);

    // Writes the titles of columns 1 to 6 into row 0; column 0 has none.
    void writeTitles();
    // Empties every cell of the grid (the titles stay) and gives it back its ShownRows rows,
    // sets Fila to 1 and the total to "0".
    void reset();

    // The row the next append writes; it only grows, so deleted rows stay gaps.
    int Fila() const { return fila_; }
    // Whether `rows` more appends still fit in rows 1 to LastRow.
    bool hasRoomFor(qsizetype rows) const { return rows <= freeRows(); }
    // How many more rows can be appended.
    int freeRows() const { return LastRow - fila_ + 1; }

    // Writes the row number and the withholding into row Fila, moves Fila on, then adds the
    // withheld amount to the total. A full grid takes nothing and answers false; callers check
    // hasRoomFor first and tell the clerk. A conversion error in the total leaves the row in
    // place without its amount in the total.
    bool append(const Withholding &row);
    // Appends every row as append does, in order, and tells the view once. Nothing is appended
    // (false) unless all of them fit. A conversion error in the total leaves every row in
    // place and the total as it stood before the row that failed.
    bool appendAll(const QList<Withholding> &rows);

    // The withholding of a grid row 1 to lastRow(); empty outside them.
    Withholding withholding(int row) const;
    // Those of the occupied rows, in grid order.
    QList<Withholding> withholdings() const;

    // Running total as shown beside the grid: "0" after a reset, else the DecimalText of
    // the sum of the withheld amounts appended less those deleted.
    const QString &totalText() const { return total_; }
    // total := DecimalText(ParseDecimal(total) + ParseDecimal(amount)), both trimmed.
    void addToTotal(const QString &amountText);

    // Deletes an occupied row: columns 1 to 6 emptied, the row number stays, the total
    // lowered by its withheld amount. A gap or unused row is left alone (false).
    bool deleteRow(int row);
    // A gap left by deleteRow that nothing has been written into since.
    bool isDeleted(int row) const;

    // Occupied: column 1, trimmed, is not empty.
    bool isOccupied(int row) const;
    // How many rows of the grid hold this receipt number as the declaration writes it
    // (receiptKey); an empty number matches nothing.
    int receiptCount(const QString &receipt) const;

Q_SIGNALS:
    void totalChanged(const QString &text);

public:
    // Grid row of a view index, and the view row of a grid row.
    static int gridRow(const QModelIndex &index) { return index.isValid() ? index.row() + 1 : -1; }
    static int viewRow(int gridRow) { return gridRow - 1; }

    // A screen reader is given the text of Qt::AccessibleTextRole where it differs from the
    // one shown: the row number column is named, and a deleted row is read as such rather
    // than as a row number followed by empty cells.
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    bool inGrid(int row, int column) const
    {
        return row >= 0 && row <= lastRow() && column >= 0 && column < ColumnCount;
    }

    void setTotal(const QString &text);
    // Writes row Fila and moves Fila on, growing the storage; no signal, no total.
    void store(const Withholding &row);
    void countReceipt(const QString &receipt, int change);

    struct Row {
        QString number;
        Withholding withholding;
        bool deleted = false;
        // Numbered by an append: the number is the row's own, written when it is read.
        bool numbered = false;
    };

    std::array<QString, ColumnCount> titles_;
    std::vector<Row> rows_; // index 0 unused: grid rows count from 1
    // How many rows hold each receipt key, so that the duplicate check needs no pass: a key of
    // digits alone by its number, which hashes and compares at once, any other by its text.
    QHash<qint64, int> numberedReceipts_;
    QHash<QString, int> receipts_;
    int fila_ = 1;
    QString total_ = QStringLiteral("0");
};

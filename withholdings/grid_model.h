#pragma once

#include "withholdings/withholding.h"

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <vector>

// The cells of the withholding grid. Row 0 holds the column titles, rows 1 to LastRow the
// withholdings; every cell is text. The view sees the title row as its header and grid rows
// 1 to LastRow as its rows 0 to LastRow - 1, so all data rows can be seen and selected.
class GridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int ColumnCount = 7;
    static constexpr int LastRow = 500;

    explicit GridModel(QObject *parent = nullptr);

    // Cells by grid row (0 the titles); outside the grid they read empty and take no text.
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString &text);

    // Writes the titles of columns 1 to 6 into row 0; column 0 has none.
    void writeTitles();
    // Empties every cell of rows 1 to LastRow (the titles stay), sets Fila to 1 and the
    // total to "0".
    void reset();

    // The row the next append writes; it only grows, so deleted rows stay gaps.
    int Fila() const { return fila_; }
    // Whether `rows` more appends still fit in rows 1 to LastRow.
    bool hasRoomFor(int rows) const { return rows <= LastRow - fila_ + 1; }

    // Writes the row number and the withholding into row Fila, moves Fila on, then adds the
    // withheld amount to the total. A full grid takes nothing and answers false; callers check
    // hasRoomFor first and tell the clerk. A conversion error in the total leaves the row in
    // place without its amount in the total.
    bool append(const Withholding &row);

    // The withholding of a grid row 1 to LastRow; empty outside them.
    Withholding withholding(int row) const;

    // Running total as shown beside the grid: "0" after a reset, else the DecimalText of
    // the sum of the withheld amounts appended less those deleted.
    const QString &totalText() const { return total_; }
    // total := DecimalText(ParseDecimal(total) + ParseDecimal(amount)), both trimmed.
    void addToTotal(const QString &amountText);

    // Deletes an occupied row: columns 1 to 6 emptied, the row number stays, the total
    // lowered by its withheld amount. A gap or unused row is left alone (false).
    bool deleteRow(int row);

    // Occupied: column 1, trimmed, is not empty.
    bool isOccupied(int row) const;
    // How many rows of 1 to LastRow hold this receipt number as the declaration writes it
    // (sameReceipt); an empty number matches nothing.
    int receiptCount(const QString &receipt) const;

Q_SIGNALS:
    void totalChanged(const QString &text);

public:
    // Grid row of a view index, and the view row of a grid row.
    static int gridRow(const QModelIndex &index) { return index.isValid() ? index.row() + 1 : -1; }
    static int viewRow(int gridRow) { return gridRow - 1; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    static bool inGrid(int row, int column)
    {
        return row >= 0 && row <= LastRow && column >= 0 && column < ColumnCount;
    }

    void setTotal(const QString &text);

    struct Row {
        QString number;
        Withholding withholding;
    };
    QString *cellText(int row, int column);

    std::array<QString, ColumnCount> titles_;
    std::vector<Row> rows_; // index 0 unused: grid rows count from 1
    int fila_ = 1;
    QString total_ = QStringLiteral("0");
};

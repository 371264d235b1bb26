#pragma once

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
    // Empties every cell of rows 1 to LastRow; the titles stay.
    void reset();

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

    std::vector<std::array<QString, ColumnCount>> cells_;
};

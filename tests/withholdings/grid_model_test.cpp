#include "grid_model.h"

#include "qt_print.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

TEST(GridModel, KeepsEveryCellOfTheGridAndNothingOutsideIt)
{
    struct Case {
        int row, column;
        bool held;
    };
    const Case cases[] = {
        {0, 0, true},    {1, 1, true},   {499, 6, true}, {500, 0, true}, {500, 6, true},
        {501, 1, false}, {-1, 1, false}, {1, 7, false},  {1, -1, false},
    };
    GridModel model;
    for (const Case &c : cases) {
        model.setCell(c.row, c.column, QStringLiteral("x"));
        EXPECT_EQ(model.cell(c.row, c.column), c.held ? QStringLiteral("x") : QString())
            << "row " << c.row << " column " << c.column;
    }
}

TEST(GridModel, ViewShowsAllFiveHundredRowsUnderTheTitles)
{
    GridModel model;
    model.writeTitles();
    model.setCell(1, 1, QStringLiteral("123"));
    model.setCell(500, 4, QStringLiteral("62"));

    EXPECT_EQ(model.rowCount(), 500);
    EXPECT_EQ(model.columnCount(), 7);
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), QStringLiteral("123"));
    EXPECT_EQ(model.data(model.index(499, 4)).toString(), QStringLiteral("62"));
    EXPECT_EQ(GridModel::gridRow(model.index(499, 0)), 500);

    const QStringList titles = {"", "Nro.Comp.", "Fecha", "Importe Comp.", "Importe Ret.", "Empresa", "CUIT"};
    for (int column = 0; column < 7; ++column) {
        EXPECT_EQ(model.headerData(column, Qt::Horizontal).toString(), titles[column]);
        EXPECT_EQ(model.cell(0, column), titles[column]);
    }
    // Cells can be selected but never edited.
    EXPECT_FALSE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model.flags(model.index(0, 1)) & Qt::ItemIsSelectable);
}

TEST(GridModel, ResetEmptiesRowsOneToFiveHundredAndKeepsTheTitles)
{
    GridModel model;
    model.writeTitles();
    for (int row : {1, 250, 499, 500})
        for (int column = 0; column < 7; ++column)
            model.setCell(row, column, QStringLiteral("v"));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy wasReset(&model, &QAbstractItemModel::modelReset);

    model.reset();

    for (int row : {1, 250, 499, 500})
        for (int column = 0; column < 7; ++column)
            EXPECT_TRUE(model.cell(row, column).isEmpty()) << row << "," << column;
    EXPECT_EQ(model.cell(0, 1), QStringLiteral("Nro.Comp."));
    EXPECT_EQ(changed.count(), 1);
    // A model reset would throw away the view's current row.
    EXPECT_EQ(wasReset.count(), 0);
}

TEST(GridModel, WritingACellTellsTheViewWhichCellChanged)
{
    GridModel model;
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy header(&model, &QAbstractItemModel::headerDataChanged);

    model.setCell(3, 2, QStringLiteral("15/03/2017"));
    model.setCell(0, 5, QStringLiteral("Empresa"));

    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toModelIndex(), model.index(2, 2));
    ASSERT_EQ(header.count(), 1);
    EXPECT_EQ(header.at(0).at(1).toInt(), 5);
}

} // namespace

#include "common/errors.h"
#include "withholdings/grid_model.h"

#include "tests/support/qt_print.h"

#include <QSignalSpy>
#include <functional>
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

namespace {

Withholding row(const char *receipt, const char *withheld)
{
    return {QString::fromUtf8(receipt),  QStringLiteral("05/03/2017"), QStringLiteral("100.00"),
            QString::fromUtf8(withheld), QStringLiteral("EMPRESA"),    QStringLiteral("20-12345678-6")};
}

} // namespace

TEST(GridRows, AppendNumbersRowsAndDeletionLeavesGapsThatAreNeverReused)
{
    GridModel model;
    for (const char *receipt : {"1", "2", "3", "4", "5"})
        ASSERT_TRUE(model.append(row(receipt, "1")));
    EXPECT_TRUE(model.deleteRow(3));
    ASSERT_TRUE(model.append(row("6", "1")));

    EXPECT_EQ(model.cell(3, 0), QStringLiteral("3"));
    for (int column = 1; column < 7; ++column)
        EXPECT_TRUE(model.cell(3, column).isEmpty());
    EXPECT_EQ(model.cell(6, 0), QStringLiteral("6"));
    EXPECT_EQ(model.cell(6, 1), QStringLiteral("6"));
    EXPECT_EQ(model.Fila(), 7);
    EXPECT_EQ(model.totalText(), QStringLiteral("5"));
}

TEST(GridRows, TotalFollowsAppendsAndDeletions)
{
    const struct {
        std::vector<const char *> withheld;
        int deleted; // row deleted after the appends, 0 for none
        const char *total;
    } cases[] = {
        {{"62", "5"}, 0, "67"},
        {{"62", "5"}, 1, "5"},
        {{"000000062.00"}, 1, "0"},
        {{"000000062.00", "7"}, 0, "69"},
        {{"0.1", "0.2"}, 0, "0.3"},
        {{"62"}, 2, "62"}, // a never-used row: nothing changes
        // Whole amounts, then a fraction, a total past fifteen digits, signs and blanks: a batch
        // gives the total that appending one by one gives.
        {{"7", "62.5", "3"}, 0, "72.5"},
        {{"999999999999999", "1", "2"}, 0, "1E15"},
        {{" -5 ", "3", "0002"}, 0, "0"},
        {{"100000000000000", "-1"}, 0, "99999999999999"},
    };
    for (const auto &c : cases) {
        GridModel model;
        GridModel batch;
        QList<Withholding> rows;
        for (const char *amount : c.withheld) {
            model.append(row("1", amount));
            rows << row("1", amount);
        }
        batch.appendAll(rows);
        if (c.deleted) {
            model.deleteRow(c.deleted);
            batch.deleteRow(c.deleted);
        }
        EXPECT_EQ(model.totalText(), QString::fromUtf8(c.total)) << c.total;
        EXPECT_EQ(batch.totalText(), model.totalText()) << c.total;
    }
}

TEST(GridRows, ResetEmptiesRowsAndStartsAgainAtRowOne)
{
    GridModel model;
    model.append(row("1", "62"));
    model.reset();
    EXPECT_EQ(model.Fila(), 1);
    EXPECT_EQ(model.totalText(), QStringLiteral("0"));
    EXPECT_FALSE(model.isOccupied(1));
    EXPECT_TRUE(model.cell(1, 0).isEmpty());
}

// Receipts are compared as the declaration writes them: 13 digits, zero-padded.
TEST(GridRows, ReceiptCountComparesAsDeclared)
{
    GridModel model;
    model.append(row("0000000000123", "1"));
    model.append(row("77", "1"));
    model.append(row("0077", "1"));
    const struct {
        const char *receipt;
        int count;
    } cases[] = {
        {"123", 1}, {"0000000000123", 1}, {" 77 ", 2}, {"0000000000077", 2}, {"1230", 0}, {"  ", 0}, {"0", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(model.receiptCount(QString::fromLatin1(c.receipt)), c.count) << c.receipt;
}

// Receipts of every shape counted as a pass over the grid comparing their keys counts them,
// before and after some leave the grid.
TEST(GridRows, ReceiptCountAsALinearPassCounts)
{
    const QStringList receipts = {
        QStringLiteral("123"),           QStringLiteral("0000000000123"),  QStringLiteral("00000000000123"),
        QStringLiteral("9999999999999"), QStringLiteral("99999999999999"), QStringLiteral("\t123 "),
        QStringLiteral("12a"),           QStringLiteral("0000000012a"),    QStringLiteral("-123"),
        QStringLiteral("+123"),          QStringLiteral("１２３"),         QStringLiteral("0"),
        QStringLiteral("1 23"),          QStringLiteral("0000000000000"),  QStringLiteral("7")};
    GridModel model;
    for (const QString &receipt : receipts)
        model.append(row(receipt.toUtf8().constData(), "1"));
    const auto check = [&](const char *when) {
        for (const QString &receipt : receipts + QStringList{QStringLiteral("  "), QStringLiteral("0123")}) {
            int linear = 0;
            for (int r = 1; r <= model.lastRow(); ++r)
                linear += !receiptKey(receipt).isEmpty() &&
                          receiptKey(model.cell(r, ReceiptColumn)) == receiptKey(receipt);
            EXPECT_EQ(model.receiptCount(receipt), linear) << when << " " << receipt.toStdString();
        }
    };
    check("appended");
    for (const int r : {1, 4, 7})
        model.deleteRow(r);
    model.setCell(2, ReceiptColumn, QStringLiteral("12a"));
    check("after deletions");
}

QList<Withholding> rows(int count, const char *withheld = "1")
{
    QList<Withholding> list(count, row("9", withheld));
    return list;
}

// The grid shows its 500 rows, grows with the appends beyond them, one view insertion per
// batch, and shrinks back on reset; row LastRow is the last that fits.
TEST(GridRows, GrowsBeyondFiveHundredRowsUpToTheLimit)
{
    GridModel model;
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    ASSERT_TRUE(model.appendAll(rows(500)));
    EXPECT_EQ(model.rowCount(), 500);
    EXPECT_EQ(inserted.count(), 0);

    ASSERT_TRUE(model.append(row("501", "2")));
    EXPECT_EQ(model.rowCount(), 501);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.front().at(1).toInt(), 500);
    EXPECT_EQ(model.data(model.index(500, 1)).toString(), QStringLiteral("501"));
    EXPECT_EQ(model.cell(501, 0), QStringLiteral("501"));
    EXPECT_EQ(model.totalText(), QStringLiteral("502"));

    const int free = GridModel::LastRow - 501;
    EXPECT_EQ(model.freeRows(), free);
    EXPECT_FALSE(model.appendAll(rows(free + 1)));
    EXPECT_EQ(model.Fila(), 502);
    ASSERT_TRUE(model.appendAll(rows(free)));
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(model.rowCount(), GridModel::LastRow);
    EXPECT_FALSE(model.hasRoomFor(1));
    EXPECT_FALSE(model.append(row("x", "1")));
    EXPECT_EQ(model.totalText(), QStringLiteral("100001"));
    EXPECT_EQ(model.receiptCount(QStringLiteral("9")), GridModel::LastRow - 1);

    ASSERT_TRUE(model.deleteRow(GridModel::LastRow));
    EXPECT_FALSE(model.isOccupied(GridModel::LastRow));
    EXPECT_EQ(model.totalText(), QStringLiteral("100000"));
    EXPECT_EQ(model.rowCount(), GridModel::LastRow);

    model.reset();
    EXPECT_EQ(model.rowCount(), 500);
    EXPECT_EQ(model.receiptCount(QStringLiteral("9")), 0);
    EXPECT_EQ(model.cell(501, 1), QString());
}

// The duplicate check's count follows every way a receipt enters or leaves the grid.
TEST(GridRows, ReceiptCountFollowsAppendsCellsDeletionsAndReset)
{
    GridModel model;
    struct Step {
        const char *name;
        std::function<void()> change;
        int count77, count88;
    };
    const Step steps[] = {
        {"append",
         [&] {
             model.appendAll({row("77", "1"), row(" 77 ", "1"), row("88", "1")});
         },
         2, 1},
        {"cell rewritten", [&] { model.setCell(2, ReceiptColumn, QStringLiteral("88")); }, 1, 2},
        {"cell written in an unused row", [&] { model.setCell(400, ReceiptColumn, QStringLiteral("77")); }, 2,
         2},
        {"deletion", [&] { model.deleteRow(1); }, 1, 2},
        {"deleted again", [&] { model.deleteRow(1); }, 1, 2},
        {"reset", [&] { model.reset(); }, 0, 0},
    };
    for (const Step &s : steps) {
        s.change();
        EXPECT_EQ(model.receiptCount(QStringLiteral("77")), s.count77) << s.name;
        EXPECT_EQ(model.receiptCount(QStringLiteral("88")), s.count88) << s.name;
    }
}

// A batch stops where the total fails, as appending row by row would.
TEST(GridRows, BatchStopsAfterTheRowWhoseAmountDoesNotConvert)
{
    GridModel model;
    QSignalSpy total(&model, &GridModel::totalChanged);
    EXPECT_THROW(model.appendAll({row("1", "62"), row("2", "abc"), row("3", "5")}), ConversionError);
    EXPECT_EQ(model.Fila(), 3);
    EXPECT_TRUE(model.isOccupied(2));
    EXPECT_FALSE(model.isOccupied(3));
    EXPECT_EQ(model.totalText(), QStringLiteral("62"));
    EXPECT_EQ(total.count(), 1);
}

TEST(GridRows, UnconvertibleAmountKeepsTheRowButNotItsAmount)
{
    GridModel model;
    model.append(row("1", "62"));
    EXPECT_THROW(model.append(row("2", "abc")), ConversionError);
    EXPECT_TRUE(model.isOccupied(2));
    EXPECT_EQ(model.Fila(), 3);
    EXPECT_EQ(model.totalText(), QStringLiteral("62"));
    // Deleting it empties the row, then fails on its amount; the total stays.
    EXPECT_THROW(model.deleteRow(2), ConversionError);
    EXPECT_FALSE(model.isOccupied(2));
    EXPECT_EQ(model.totalText(), QStringLiteral("62"));
}

// What a screen reader reads where it differs from what is shown: the row number column has a
// title, and a deleted row says so until something is written into it again. Elsewhere the
// reader reads the shown text (no text of its own).
TEST(GridRows, AReaderHearsADeletedRowAsDeleted)
{
    GridModel model;
    model.writeTitles();
    for (const char *receipt : {"1", "2", "3"})
        model.append(row(receipt, "1"));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.deleteRow(2);
    model.deleteRow(3);
    model.setCell(3, ReceiptColumn, QStringLiteral("33"));

    // The deletion tells the view about the row number column too, and for the reader's text.
    ASSERT_GE(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toModelIndex(), model.index(GridModel::viewRow(2), 0));
    EXPECT_TRUE(changed.at(0).at(2).value<QList<int>>().contains(Qt::AccessibleTextRole));

    struct Case {
        int row, column;
        QVariant read;
    };
    const Case cases[] = {
        // An occupied row is read with the titles, so that its two amounts are told apart.
        {1, 0, QStringLiteral("Renglón 1")},
        {1, 1, QStringLiteral("Nro.Comp. 1")},
        {1, 4, QStringLiteral("Importe Ret. 1")},
        {2, 0, QStringLiteral("2 borrado")}, // deleted
        {2, 1, {}},                          // deleted, its empty cells
        {3, 0, QStringLiteral("Renglón 3")}, // deleted, then written again
        {4, 0, {}},                          // never used
    };
    for (const Case &c : cases)
        EXPECT_EQ(model.data(model.index(GridModel::viewRow(c.row), c.column), Qt::AccessibleTextRole),
                  c.read)
            << "row " << c.row << " column " << c.column;
    // What is shown stays as it was.
    EXPECT_EQ(model.data(model.index(GridModel::viewRow(2), 0)).toString(), QStringLiteral("2"));
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::AccessibleTextRole).toString(),
              QStringLiteral("Renglón"));
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QString());
    EXPECT_FALSE(model.headerData(1, Qt::Horizontal, Qt::AccessibleTextRole).isValid());

    model.reset();
    EXPECT_FALSE(model.isDeleted(2));
}

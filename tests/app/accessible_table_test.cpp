#include "app/accessible_names.h"
#include "app/accessible_table.h"
#include "tests/app/window_fixture.h"
#include "withholdings/grid_model.h"
#include "withholdings/withholding.h"

#include <QAccessible>
#include <QTableView>

namespace {

Withholding withholding(const char *receipt, const char *invoice, const char *withheld)
{
    Withholding w;
    w.receipt = QString::fromLatin1(receipt);
    w.date = QStringLiteral("15/10/2017");
    w.invoiceAmount = QString::fromLatin1(invoice);
    w.withheldAmount = QString::fromLatin1(withheld);
    w.companyName = QStringLiteral("PROVEEDOR UNO");
    w.supplierCuit = QStringLiteral("20-29985385-4");
    return w;
}

// The grid as a reader meets it: the rows filled, not the 500 drawn.
class AccessibleTable : public WindowTest {
protected:
    static void SetUpTestSuite()
    {
        ensureQtApplication();
        installAccessibleInterfaces();
    }

    QAccessibleInterface *grid() const { return QAccessible::queryAccessibleInterface(w->Grilla); }
    QAccessibleTableInterface *table() const { return grid()->tableInterface(); }

    // Every cell's name, row by row, as a reader reads them.
    QList<QStringList> rows() const
    {
        QList<QStringList> read;
        for (int row = 0; row < table()->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < table()->columnCount(); ++column)
                cells.append(table()->cellAt(row, column)->text(QAccessible::Name));
            read.append(cells);
        }
        return read;
    }

    // Each child is found again at its own index, and a cell at its own row and column.
    void expectChildrenMapBothWays() const
    {
        // The view numbers the cell it tells a reader of as Qt's own tables do: a header row and
        // a header column first, hidden or not.
        const int width = table()->columnCount() + 1;
        ASSERT_EQ(grid()->childCount(), (table()->rowCount() + 1) * width);
        for (int index = 0; index < grid()->childCount(); ++index) {
            QAccessibleInterface *child = grid()->child(index);
            ASSERT_NE(child, nullptr) << index;
            EXPECT_TRUE(child->isValid()) << index;
            EXPECT_EQ(grid()->indexOfChild(child), index);
            EXPECT_EQ(child->parent(), grid());
            if (index < width || index % width == 0) {
                EXPECT_EQ(child->role(), index < width ? QAccessible::ColumnHeader : QAccessible::RowHeader)
                    << index;
                // The row numbers' header is hidden: a reader skips it.
                EXPECT_EQ(child->state().invisible, index % width == 0) << index;
                continue;
            }
            QAccessibleTableCellInterface *cell = child->tableCellInterface();
            ASSERT_NE(cell, nullptr) << index;
            EXPECT_EQ(cell->rowIndex(), index / width - 1);
            EXPECT_EQ(cell->columnIndex(), index % width - 1);
            EXPECT_EQ(table()->cellAt(cell->rowIndex(), cell->columnIndex()), child);
            // The cell's name holds its column's title: no header is read beside it.
            EXPECT_TRUE(cell->columnHeaderCells().isEmpty());
        }
        EXPECT_EQ(grid()->child(grid()->childCount()), nullptr);
        EXPECT_EQ(table()->cellAt(table()->rowCount(), 0), nullptr);
    }
};

TEST_F(AccessibleTable, AReaderIsGivenTheFilledRowsWithTheirTitles)
{
    ASSERT_NE(table(), nullptr);
    EXPECT_EQ(grid()->role(), QAccessible::Table);
    const QStringList titles = {"Renglón",      "Nro.Comp.", "Fecha", "Importe Comp.",
                                "Importe Ret.", "Empresa",   "CUIT"};
    QStringList headers;
    for (int column = 0; column < GridModel::ColumnCount; ++column)
        headers.append(table()->cellAt(-1, column)->text(QAccessible::Name));
    EXPECT_EQ(headers, titles);

    struct Case {
        const char *what;
        std::function<void()> change;
        QList<QStringList> read;
    };
    const QStringList first = {
        "Renglón 1",       "Nro.Comp. 1001",        "Fecha 15/10/2017",  "Importe Comp. 8000.50",
        "Importe Ret. 40", "Empresa PROVEEDOR UNO", "CUIT 20-29985385-4"};
    const QStringList second = {
        "Renglón 2",       "Nro.Comp. 1002",        "Fecha 15/10/2017",  "Importe Comp. 15000.00",
        "Importe Ret. 75", "Empresa PROVEEDOR UNO", "CUIT 20-29985385-4"};
    const QStringList deleted = {"1 borrado", "", "", "", "", "", ""};
    const Case cases[] = {
        {"empty grid", [] {}, {}},
        {"one row", [this] { w->gridModel->append(withholding("1001", "8000.50", "40")); }, {first}},
        {"two rows",
         [this] { w->gridModel->append(withholding("1002", "15000.00", "75")); },
         {first, second}},
        // A deleted row keeps its number on screen, and its place for the reader.
        {"first deleted", [this] { w->gridModel->deleteRow(1); }, {deleted, second}},
        {"emptied", [this] { w->gridModel->reset(); }, {}},
        // Beyond the rows drawn when the grid is empty.
        {"grown",
         [this] {
             QList<Withholding> many;
             for (int n = 0; n < GridModel::ShownRows + 2; ++n)
                 many.append(withholding("2000", "10", "0.05"));
             ASSERT_TRUE(w->gridModel->appendAll(many));
         },
         {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        c.change();
        if (QString::fromLatin1(c.what) == QLatin1String("grown")) {
            EXPECT_EQ(table()->rowCount(), GridModel::ShownRows + 2);
            EXPECT_EQ(readerRowCount(*w->Grilla), GridModel::ShownRows + 2);
            continue;
        }
        EXPECT_EQ(rows(), c.read);
        expectChildrenMapBothWays();
    }
}

TEST_F(AccessibleTable, ACellOfARowGoneIsNoLongerValid)
{
    w->gridModel->append(withholding("1001", "8000.50", "40"));
    w->gridModel->append(withholding("1002", "15000.00", "75"));
    // The changes the view tells of: the cell a reader is on stays the same object while texts
    // change (it is renamed, not replaced), and is dropped once rows before it change.
    struct Case {
        QAccessibleTableModelChangeEvent::ModelChangeType change;
        int firstRow;
        bool kept;
    };
    const Case cases[] = {
        {QAccessibleTableModelChangeEvent::DataChanged, 0, true},
        {QAccessibleTableModelChangeEvent::RowsInserted, 2, true},
        {QAccessibleTableModelChangeEvent::RowsRemoved, 1, false},
        {QAccessibleTableModelChangeEvent::ModelReset, 0, false},
    };
    for (const Case &c : cases) {
        const QAccessible::Id before = QAccessible::uniqueId(table()->cellAt(1, 1));
        QAccessibleTableModelChangeEvent event(w->Grilla, c.change);
        event.setFirstRow(c.firstRow);
        table()->modelChange(&event);
        EXPECT_EQ(QAccessible::accessibleInterface(before) != nullptr, c.kept) << c.change;
        EXPECT_EQ(QAccessible::uniqueId(table()->cellAt(1, 1)) == before, c.kept) << c.change;
    }

    QAccessibleInterface *kept = table()->cellAt(1, 1);
    ASSERT_NE(kept, nullptr);
    const QAccessible::Id id = QAccessible::uniqueId(kept);
    w->gridModel->reset();
    // Either the reader's cell was dropped, or it answers as gone: never a row that is not there.
    if (QAccessibleInterface *cell = QAccessible::accessibleInterface(id)) {
        EXPECT_FALSE(cell->isValid());
        EXPECT_TRUE(cell->text(QAccessible::Name).isEmpty());
        EXPECT_TRUE(cell->state().invalid);
    }
    EXPECT_EQ(table()->cellAt(1, 1), nullptr);
    w->gridModel->append(withholding("1003", "100", "0.50"));
    ASSERT_NE(table()->cellAt(0, 1), nullptr);
    EXPECT_EQ(table()->cellAt(0, 1)->text(QAccessible::Name), QStringLiteral("Nro.Comp. 1003"));
}

// The view tells of its current cell wherever the clerk walks; past the filled rows there is
// nothing to tell.
TEST_F(AccessibleTable, NothingIsToldOfTheBlankRows)
{
    w->gridModel->append(withholding("1001", "8000.50", "40"));
    const int width = GridModel::ColumnCount + 1;
    struct Case {
        int child;
        bool hidden;
    };
    const Case cases[] = {
        {-1, false}, {width, false}, {2 * width - 1, false}, {2 * width, true}, {3 * width + 2, true}};
    for (const Case &c : cases) {
        QAccessibleEvent focus(w->Grilla, QAccessible::Focus);
        focus.setChild(c.child);
        EXPECT_EQ(aboutHiddenCell(&focus), c.hidden) << c.child;
    }
}

} // namespace

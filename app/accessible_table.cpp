#include "app/accessible_table.h"

#include "withholdings/grid_model.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPointer>
#include <QTableView>
#include <QWindow>
#include <algorithm>

namespace {

QAccessibleInterface *tableOf(QTableView *view)
{
    return QAccessible::queryAccessibleInterface(view);
}

// Where a cell stands among the table's children, numbered as the view numbers the current
// cell when it tells a reader of it: a row of column headers first, and a row header first in
// each row, whether the headers are shown or not. Headers stand at row or column -1.
struct Layout {
    int columns;

    explicit Layout(const QTableView &view)
        : columns(view.model() != nullptr ? view.model()->columnCount(view.rootIndex()) : 0)
    {
    }
    int width() const { return columns + 1; }
    int index(int row, int column) const { return (row + 1) * width() + column + 1; }
    int row(int index) const { return index / width() - 1; }
    int column(int index) const { return index % width() - 1; }
};

// A cell of the table, or one of its headers. It keeps its place, not a model index: a
// reader asks again for the cells once the rows change, and a cell whose row a reader is no
// longer given is invalid.
class CellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    CellAccessible(QTableView *view, int row, int column) : view_(view), row_(row), column_(column) {}

    bool isValid() const override
    {
        if (view_.isNull() || view_->model() == nullptr)
            return false;
        return column_ >= -1 && column_ < Layout(*view_).columns && row_ >= -1 &&
               row_ < readerRowCount(*view_);
    }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return view_.isNull() ? nullptr : view_->window()->windowHandle(); }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return view_.isNull() ? nullptr : tableOf(view_.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || (t != QAccessible::Name && t != QAccessible::Description))
            return QString();
        const QAbstractItemModel *model = view_->model();
        if (isHeader()) {
            const Qt::Orientation orientation = row_ < 0 ? Qt::Horizontal : Qt::Vertical;
            const int section = row_ < 0 ? column_ : row_;
            if (t == QAccessible::Description || section < 0)
                return QString();
            const QString named = model->headerData(section, orientation, Qt::AccessibleTextRole).toString();
            return named.isEmpty() ? model->headerData(section, orientation, Qt::DisplayRole).toString()
                                   : named;
        }
        if (t == QAccessible::Description)
            return index().data(Qt::AccessibleDescriptionRole).toString();
        const QString named = index().data(Qt::AccessibleTextRole).toString();
        return named.isEmpty() ? index().data(Qt::DisplayRole).toString() : named;
    }
    void setText(QAccessible::Text, const QString &) override {}

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        if (row_ < 0) {
            const QHeaderView *header = view_->horizontalHeader();
            if (column_ < 0)
                return QRect();
            const QRect local(header->sectionViewportPosition(column_), 0, header->sectionSize(column_),
                              header->height());
            return QRect(header->viewport()->mapToGlobal(local.topLeft()), local.size());
        }
        if (column_ < 0) {
            const QHeaderView *header = view_->verticalHeader();
            const QRect local(0, header->sectionViewportPosition(row_), header->width(),
                              header->sectionSize(row_));
            return QRect(header->viewport()->mapToGlobal(local.topLeft()), local.size());
        }
        const QRect local = view_->visualRect(index());
        return QRect(view_->viewport()->mapToGlobal(local.topLeft()), local.size());
    }

    QAccessible::Role role() const override
    {
        if (row_ < 0)
            return QAccessible::ColumnHeader;
        return column_ < 0 ? QAccessible::RowHeader : QAccessible::Cell;
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const QRect shown(view_->viewport()->mapToGlobal(QPoint(0, 0)), view_->viewport()->size());
        if (!view_->isVisible() || (!isHeader() && !shown.intersects(rect())) ||
            (row_ < 0 && view_->horizontalHeader()->isHidden()) ||
            (column_ < 0 && view_->verticalHeader()->isHidden()))
            s.invisible = true;
        if (isHeader())
            return s;
        s.focusable = true;
        s.selectable = view_->selectionMode() != QAbstractItemView::NoSelection;
        s.multiSelectable = view_->selectionMode() == QAbstractItemView::ContiguousSelection ||
                            view_->selectionMode() == QAbstractItemView::ExtendedSelection ||
                            view_->selectionMode() == QAbstractItemView::MultiSelection;
        s.selected = isSelected();
        s.focused = view_->hasFocus() && view_->currentIndex() == index();
        return s;
    }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::TableCellInterface && !isHeader()
                   ? static_cast<QAccessibleTableCellInterface *>(this)
                   : nullptr;
    }

    bool isSelected() const override
    {
        return isValid() && !isHeader() && view_->selectionModel() != nullptr &&
               view_->selectionModel()->isSelected(index());
    }
    // Each cell's name carries its column's title; a reader that also read the header would
    // say the title twice.
    QList<QAccessibleInterface *> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return parent(); }

    const QTableView *view() const { return view_.data(); }
    int row() const { return row_; }
    int column() const { return column_; }

private:
    bool isHeader() const { return row_ < 0 || column_ < 0; }
    QModelIndex index() const { return view_->model()->index(row_, column_, view_->rootIndex()); }

    QPointer<QTableView> view_;
    const int row_;
    const int column_;
};

class TableAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit TableAccessible(QTableView *view)
        : QAccessibleWidget(view, QAccessible::Table), told_(readerRowCount(*view))
    {
    }
    ~TableAccessible() override { forgetCells(-1); }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    int childCount() const override { return (rowCount() + 1) * Layout(*view()).width(); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (const auto known = cells_.constFind(index); known != cells_.cend())
            if (QAccessibleInterface *cell = QAccessible::accessibleInterface(*known))
                return cell;
        const Layout layout(*view());
        auto *cell = new CellAccessible(view(), layout.row(index), layout.column(index));
        cells_.insert(index, QAccessible::registerAccessibleInterface(cell));
        return cell;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *cell = dynamic_cast<const CellAccessible *>(child);
        if (cell == nullptr || cell->view() != view() || !cell->isValid())
            return -1;
        return Layout(*view()).index(cell->row(), cell->column());
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QPoint point(x, y);
        const QHeaderView *titles = view()->horizontalHeader();
        if (titles->isVisible() && titles->rect().contains(titles->mapFromGlobal(point)))
            return cellAt(-1, titles->logicalIndexAt(titles->viewport()->mapFromGlobal(point)));
        const QModelIndex index = view()->indexAt(view()->viewport()->mapFromGlobal(point));
        return index.isValid() ? cellAt(index.row(), index.column()) : nullptr;
    }
    QAccessibleInterface *focusChild() const override
    {
        const QModelIndex current = view()->currentIndex();
        return current.isValid() ? cellAt(current.row(), current.column()) : nullptr;
    }

    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QAccessibleInterface *cellAt(int row, int column) const override
    {
        const Layout layout(*view());
        if (row < -1 || row >= rowCount() || column < -1 || column >= layout.columns)
            return nullptr;
        return child(layout.index(row, column));
    }
    int selectedCellCount() const override { return static_cast<int>(selectedIndexes().size()); }
    QList<QAccessibleInterface *> selectedCells() const override
    {
        QList<QAccessibleInterface *> cells;
        for (const QModelIndex &index : selectedIndexes())
            cells.append(cellAt(index.row(), index.column()));
        return cells;
    }
    QString columnDescription(int column) const override
    {
        return view()->model()->headerData(column, Qt::Horizontal).toString();
    }
    QString rowDescription(int row) const override
    {
        return view()->model()->headerData(row, Qt::Vertical).toString();
    }
    int selectedColumnCount() const override { return static_cast<int>(selectedColumns().size()); }
    int selectedRowCount() const override { return static_cast<int>(selectedRows().size()); }
    int columnCount() const override { return Layout(*view()).columns; }
    int rowCount() const override { return readerRowCount(*view()); }
    QList<int> selectedColumns() const override
    {
        QList<int> columns;
        for (int column = 0; column < columnCount(); ++column)
            if (isColumnSelected(column))
                columns.append(column);
        return columns;
    }
    QList<int> selectedRows() const override
    {
        QList<int> rows;
        if (const QItemSelectionModel *selection = view()->selectionModel())
            for (const QModelIndex &index : selection->selectedRows())
                if (index.row() < rowCount())
                    rows.append(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    bool isColumnSelected(int column) const override
    {
        const QItemSelectionModel *selection = view()->selectionModel();
        return selection != nullptr && rowCount() > 0 &&
               selection->isColumnSelected(column, view()->rootIndex());
    }
    bool isRowSelected(int row) const override
    {
        const QItemSelectionModel *selection = view()->selectionModel();
        return selection != nullptr && row >= 0 && row < rowCount() &&
               selection->isRowSelected(row, view()->rootIndex());
    }
    bool selectRow(int row) override { return selectRows(row, QItemSelectionModel::Select); }
    bool unselectRow(int row) override { return selectRows(row, QItemSelectionModel::Deselect); }
    // Only whole rows are chosen in these tables.
    bool selectColumn(int) override { return false; }
    bool unselectColumn(int) override { return false; }

    // The view tells of its model's changes, and so does followTableChanges of the rows a reader
    // is given. A cell keeps its place and reads its text when asked, so new texts change no
    // cell; rows inserted or removed drop the cells from the first of them on, which are made
    // again when next asked for, and none stands for a row that went away.
    void modelChange(QAccessibleTableModelChangeEvent *event) override
    {
        told_ = rowCount();
        switch (event->modelChangeType()) {
        case QAccessibleTableModelChangeEvent::DataChanged:
            return;
        case QAccessibleTableModelChangeEvent::RowsInserted:
        case QAccessibleTableModelChangeEvent::RowsRemoved:
            forgetCells(qMax(event->firstRow(), 0));
            return;
        default:
            forgetCells(-1);
        }
    }

    // Tells a reader that the rows it is given are more or fewer now; false when they are not.
    bool tellRowCount()
    {
        const int rows = rowCount();
        if (rows == told_)
            return false;
        QAccessibleTableModelChangeEvent event(view(), rows > told_
                                                           ? QAccessibleTableModelChangeEvent::RowsInserted
                                                           : QAccessibleTableModelChangeEvent::RowsRemoved);
        event.setFirstRow(qMin(rows, told_));
        event.setLastRow(qMax(rows, told_) - 1);
        event.setFirstColumn(0);
        event.setLastColumn(columnCount() - 1);
        QAccessible::updateAccessibility(&event);
        told_ = rows;
        return true;
    }

private:
    QTableView *view() const { return static_cast<QTableView *>(widget()); }

    QModelIndexList selectedIndexes() const
    {
        QModelIndexList shown;
        if (const QItemSelectionModel *selection = view()->selectionModel())
            for (const QModelIndex &index : selection->selectedIndexes())
                if (index.row() < rowCount())
                    shown.append(index);
        return shown;
    }

    bool selectRows(int row, QItemSelectionModel::SelectionFlags how)
    {
        QItemSelectionModel *selection = view()->selectionModel();
        if (selection == nullptr || row < 0 || row >= rowCount() ||
            view()->selectionMode() == QAbstractItemView::NoSelection)
            return false;
        selection->select(view()->model()->index(row, 0, view()->rootIndex()),
                          how | QItemSelectionModel::Rows);
        return true;
    }

    // Drops the cells of the rows from `firstRow` on (the headers' row is -1).
    void forgetCells(int firstRow)
    {
        const Layout layout(*view());
        for (auto cell = cells_.begin(); cell != cells_.end();) {
            if (layout.row(cell.key()) < firstRow) {
                ++cell;
                continue;
            }
            if (QAccessible::accessibleInterface(cell.value()) != nullptr)
                QAccessible::deleteAccessibleInterface(cell.value());
            cell = cells_.erase(cell);
        }
    }

    mutable QHash<int, QAccessible::Id> cells_;
    int told_;
};

} // namespace

QAccessibleInterface *makeTableAccessible(QTableView *view)
{
    return new TableAccessible(view);
}

int readerRowCount(const QTableView &view)
{
    const QAbstractItemModel *model = view.model();
    if (model == nullptr)
        return 0;
    const int rows = model->rowCount(view.rootIndex());
    // The grid's rows past the last appended one are blanks waiting to be filled.
    if (const auto *grid = qobject_cast<const GridModel *>(model))
        return qBound(0, GridModel::viewRow(grid->Fila()), rows);
    return rows;
}

void followTableChanges(QTableView *view)
{
    QObject::connect(view->model(), &QAbstractItemModel::dataChanged, view,
                     [view](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                         if (!QAccessible::isActive())
                             return;
                         auto *table = dynamic_cast<TableAccessible *>(tableOf(view));
                         if (table == nullptr || table->tellRowCount())
                             return;
                         if (topLeft.row() != bottomRight.row()) {
                             QAccessibleTableModelChangeEvent event(
                                 view, QAccessibleTableModelChangeEvent::ModelReset);
                             QAccessible::updateAccessibility(&event);
                             return;
                         }
                         for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
                             QAccessibleInterface *cell = table->cellAt(topLeft.row(), column);
                             if (cell == nullptr)
                                 continue;
                             QAccessibleEvent event(cell, QAccessible::NameChanged);
                             QAccessible::updateAccessibility(&event);
                         }
                     });
}

bool aboutHiddenCell(QAccessibleEvent *event)
{
    auto *view = qobject_cast<QTableView *>(event->object());
    if (view == nullptr || event->child() < 0 || event->type() == QAccessible::TableModelChanged)
        return false;
    QAccessibleInterface *table = tableOf(view);
    return table != nullptr && event->child() >= table->childCount();
}

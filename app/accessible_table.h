#pragma once

class QAccessibleEvent;
class QAccessibleInterface;
class QTableView;

// A table as a screen reader meets it: only the rows the clerk has filled, each cell read
// with its column's title in its own name (the cells name no header, so the title is heard
// once), and the headers still read as the first row. The withholdings grid always shows its
// 500 rows on screen; a reader is told only of those that were appended (a deleted one stays,
// read as such, as its number stays on screen).
QAccessibleInterface *makeTableAccessible(QTableView *view);

// The rows of a table a reader is given.
int readerRowCount(const QTableView &view);

// Keeps a reader's view of the table in step with its model: a change in the rows it is given
// is told as rows inserted or removed, many rows changed at once as a new table, one row
// changed as its cells renamed.
void followTableChanges(QTableView *view);

// An event the view sends for a cell that is not among the rows a reader is given (the clerk
// walked past the last filled row): there is nothing to tell.
bool aboutHiddenCell(QAccessibleEvent *event);

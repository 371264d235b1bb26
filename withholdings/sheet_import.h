#pragma once

#include "withholdings/declaration_import.h"
#include "withholdings/import_review.h"
#include "withholdings/sheet_columns.h"
#include "withholdings/sheet_reader.h"
#include "withholdings/sheet_values.h"
#include "withholdings/withholding.h"

#include <QByteArrayView>
#include <QList>
#include <QStringList>
#include <functional>

// Whether a chosen file is a sheet (a first line of column titles, at least two of them, one
// the import knows or none with a digit in it) rather than a declaration file, whose lines are
// records full of digits.
bool looksLikeSheet(QByteArrayView bytes);

// What the rows are checked against: the header, and the receipts the grid already holds.
struct SheetContext {
    DeclaredHeader header;
    // True when the grid holds a row with this receipt number; none when not given.
    std::function<bool(const QString &receipt)> inGrid;
};

// Everything an import of a sheet appends and says, worked out before any of it reaches the grid.
struct SheetImport {
    QList<Withholding> rows;
    QList<AmountMismatch> mismatches;
    // The lines the clerk should look at, one text each in the order of the file: lines that
    // could not be read (not imported), lines passed over (blank, a total), and imported rows
    // that fail a check (CUIT, period, agent, repeated receipt, a name cut or changed).
    QStringList review;
    NumberFormat numberFormat = NumberFormat::CommaDecimal;
    bool amountsDisagree() const { return !mismatches.isEmpty(); }
};

// Converts every record of the sheet with the columns chosen (a usable choice). A row gets the
// CUIT written NN-NNNNNNNN-N, the date DD/MM/YYYY, the invoice amount with two decimals and the
// withheld amount brought to a whole number as a declaration's import brings it, against which
// it is checked the same way.
SheetImport convertSheet(const Sheet &sheet, const ColumnChoice &columns, const SheetContext &context);

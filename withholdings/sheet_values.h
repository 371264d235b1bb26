#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// The cells of a sheet as spreadsheets write them, turned into the texts of a grid row.

// How a file writes its amounts: 1.234,56 (as in Argentina) or 1,234.56.
enum class NumberFormat { CommaDecimal, DotDecimal };

// Decided once for the whole file from its amounts. A separator followed by one or two digits
// is the decimal one; both separators in one amount, or one of them twice, tell which is which.
// Amounts that tell nothing ("1.234", "500") follow the others; when none tells, a lone
// separator before three digits groups thousands, since amounts have at most two decimals.
NumberFormat decideNumberFormat(const QList<QStringView> &amounts);

// An amount converted to the grid's text ("1234.56"), or why not (a Spanish phrase to follow
// the amount's name: "\"12,3,4\" no válido").
struct SheetAmount {
    QString text;
    QString problem;
};
// Takes "$ 1.234,56", "1234,56", "1,234.56", "1234.56" and the like in the file's format; no
// sign, at most two decimals, at most nine whole digits (the declaration's amount fields).
SheetAmount sheetAmount(QStringView cell, NumberFormat format);

// A date dd/mm/yyyy, d/m/yy or yyyy-mm-dd (also with "-" or "." between day, month and year, and
// with a time after it) as the grid writes it, DD/MM/YYYY; empty when it is no date. Two-digit
// years are of this century.
QString sheetDate(QStringView cell);

// A CUIT of eleven digits, with or without dashes, blanks or dots between them, written
// NN-NNNNNNNN-N; empty when it has not eleven digits.
QString sheetCuit(QStringView cell);

// A receipt number: its digits, which may be split by dashes or blanks (0001-00001234),
// 1 to 13 of them and not all zero; empty otherwise.
QString sheetReceipt(QStringView cell);

// A company name for the declaration: blanks where the cell had line breaks or tabs, cut to 60
// characters, and every character Windows-1252 lacks replaced as the declaration file will
// replace it. The flags say what changed.
struct SheetName {
    QString text;
    bool cut = false;
    bool replaced = false;
};
SheetName sheetName(QStringView cell);

// A cell as the clerk is shown it in a message: in quotes, whole when short, its start otherwise.
QString quotedCell(QStringView text);

#pragma once

#include "common/decimal.h"

#include <QList>
#include <QString>
#include <QStringList>

class TextFile;

// One line of a declaration file as the reload turns it into a grid row.
struct DeclarationLine {
    // Grid columns 0 to 6, trimmed; column 0 (the row number) is left for the append.
    QStringList cells;
    // The withheld amount the append adds to the running total.
    Decimal withheldAmount = 0;
};

// An 11-character amount field as amount text: nine whole digits, ".", two decimals
// (00000006200 gives 000000062.00). A short field gives a short text.
QString amountTextFromField(const QString &field);

// Converts one line: supplier CUIT from columns 1-13, the date from the record's own date
// field (columns 20-27, DDMMYYYY) as DD/MM/YYYY, withheld amount 28-38, receipt number 39-51,
// supplier name 52-111, invoice amount 185-195. Fields past the end of a short line are cut
// short or empty. A withheld amount that does not convert raises the ConversionError; nothing
// else is checked.
DeclarationLine readDeclarationLine(const QString &line);

// Reads every line of the file through the window's variable FF and converts them all before
// returning, so that a line that does not convert leaves nothing to append. The file is closed
// on return and when an error ends the reading.
QList<DeclarationLine> readDeclarationFile(TextFile &ff, const QString &fileName);

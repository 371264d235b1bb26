#pragma once

#include "common/decimal.h"
#include "withholdings/withholding.h"

#include <QList>
#include <QString>

class TextFile;

// One line of a declaration file as the reload turns it into a grid row.
struct DeclarationLine {
    // Every field trimmed.
    Withholding row;
    // The withheld amount the append adds to the running total.
    Decimal withheldAmount = 0;
};

// An 11-character amount field as amount text: nine whole digits, ".", two decimals
// (00000006200 gives 000000062.00). A short field gives a short text.
QString amountTextFromField(QStringView field);

// Converts one line by the record's layout: the date from the record's own date field
// (DDMMYYYY) as DD/MM/YYYY, the amounts as amount texts, the other fields as they stand.
// Fields past the end of a short line are cut short or empty. A withheld amount that does not
// convert raises the ConversionError; nothing else is checked.
DeclarationLine readDeclarationLine(const QString &line);

// Reads the file whole through the window's variable FF and converts every line before
// returning, so that a line that does not convert leaves nothing to append. The file is closed
// on return and when an error ends the reading.
QList<DeclarationLine> readDeclarationFile(TextFile &ff, const QString &fileName);
// The same conversion over FF already open for reading (a loaded file, or bytes in memory).
QList<DeclarationLine> readDeclarationText(TextFile &ff);

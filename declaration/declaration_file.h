#pragma once

#include "withholdings/declaration_record.h"
#include "withholdings/withholding.h"

#include <QList>
#include <QString>

class TextFile;

// The header of a declaration as its boxes hold it; nothing is normalised on entry.
struct DeclarationHeader {
    QString legajo;    // e_legaJo
    QString month;     // e_Mes
    QString year;      // E_ano
    QString agentCuit; // e_Cuit, from the agent registry
    QString agentName; // e_Razon, from the agent registry
};

// The year and month as numbers; a text that does not convert raises the ConversionError.
int declaredYear(const QString &yearText);
int declaredMonth(const QString &monthText);

// "1".."9", "A", "B", "C" for months 1 to 12; nothing for any other number.
QString monthCode(int month);

// Last two digits of the year's number, month code, legajo padded to five digits (a legajo
// of no characters or of more than five contributes nothing): 17A00415 for October 2017,
// legajo 415. The year goes by its number, so 02017 names the same file as 2017.
QString declarationBaseName(const QString &yearText, const QString &monthText, const QString &legajoText);
inline QString declarationFileName(const QString &baseName)
{
    return baseName + QStringLiteral(".txt");
}
inline QString declarationPdfName(const QString &baseName)
{
    return baseName + QStringLiteral(".pdf");
}

// The field encodings of a record; each trims its cell first.
// Amount: whole part of the number, then the decimals as typed ("00" when none, a single
// digit gets a "0"), left-padded with "0" to 11: 1234.5 gives 00000123450.
QString amountField(const QString &cell);
// Receipt number left-padded with "0" to 13.
QString receiptNumberField(const QString &cell);
// Name followed by blanks up to 60.
QString nameField(const QString &cell);
// DD/MM/YYYY rearranged as DDMMYYYY (characters 1-2, 4-5, 7-10).
QString dateField(const QString &cell);

// The 195 characters of one record from a grid row and the header, laid out by
// DeclarationRecordLayout. A value longer than its field is kept whole and pushes the later
// columns right; the entry checks keep every value within its field.
QString declarationRecord(const Withholding &row, const DeclarationHeader &header);

// The writer, over the window's text-file variable F. Each call runs the I/O check and raises
// IoError on failure. Creating empties an existing file of the name and leaves it open (a fresh
// one refuses any name that exists, a link included); a
// record reopens the file at its end only when it is closed, then writes the record, its end
// mark (CR) and the line break (CR LF).
void createDeclarationFile(TextFile &f, const QString &fileName, bool fresh = false);
void appendDeclarationRecord(TextFile &f, const QString &record);
void closeDeclarationFile(TextFile &f);

// Creates the file and writes one record per row, in order, then closes it. The caller
// passes the occupied rows only.
void writeDeclarationFile(TextFile &f, const QString &fileName, const DeclarationHeader &header,
                          const QList<Withholding> &rows);

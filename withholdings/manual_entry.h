#pragma once

#include "withholdings/declaration_line.h"
#include "withholdings/withholding.h"

#include <QList>
#include <QString>
#include <QStringList>

// Messages of manual entry and the reload, shown in an information box.
inline const QString DateErrorMessage = QStringLiteral("Atención error en la Fecha !!!");
inline const QString DateMonthMessage =
    QStringLiteral("Atención El MES de la fecha es distinto al declarado arriba !!!");
inline const QString DateYearMessage =
    QStringLiteral("Atención El AÑO de la fecha es distinto al declarado arriba !!!");
inline const QString AmountNotPositiveMessage = QStringLiteral("El Importe  debe ser Mayor a Cero !!!");
inline const QString AmountOutOfRangeMessage = QStringLiteral("Atención Importe fuera de rango !!!");
inline const QString RequiredFieldMessage =
    QStringLiteral("Atención Falta ingresar Legajo o Nro. Comprobante !!!");
inline const QString DuplicateReceiptMessage = QStringLiteral("Atención Comprobante ya Ingresado !!!");
inline const QString GridFullMessage =
    QStringLiteral("Atención Grilla completa, no se pueden agregar más renglones !!!");
inline const QString ReloadDoesNotFitMessage =
    QStringLiteral("Atención El archivo declarado no entra en la grilla, no se cargó ningún renglón !!!");

// The manual entry boxes as they hold their text; the masked boxes give their value without
// the mask's literals (CUIT 11 digits, date DDMMYYYY).
struct ManualEntry {
    QString supplierCuit;   // E_CuitReten
    QString companyName;    // empresa
    QString date;           // E_FECha
    QString receipt;        // E_Comprobante
    QString invoiceAmount;  // Impo_compro
    QString withheldAmount; // E_Importe
};

// The messages the date check shows, in order; none when the date is accepted. An empty date,
// or one whose month or year digits are left blank, is one error; otherwise its month and its
// year are each compared with the declared ones.
QStringList dateProblems(const QString &date, const QString &declaredMonth, const QString &declaredYear);

// The invoice amount box on leaving it: its text as "0.00" formats it (an empty box counts as
// 0), and either the message that refuses it or the withheld amount it gives.
struct InvoiceAmountCheck {
    QString formatted;
    QString problem;
    QString withheld;
};
InvoiceAmountCheck checkInvoiceAmount(const QString &text);

// ADICIONA needs the legajo, the receipt number, the supplier CUIT and the withheld amount.
// Nothing is trimmed: a blank counts as something typed.
bool requiredFieldsPresent(const QString &legajo, const ManualEntry &entry);

// ADICIONA's last look at an entry whose required fields are there. A date typed into must
// pass the date check (one never typed into goes in as "//"), and the invoice amount now in
// its box must pass the amount check; the row then carries the withheld amount that amount
// gives. Otherwise nothing is appended: the box to go back to and its check's messages, or
// the conversion error its check ends in.
enum class EntryBox { None, Date, InvoiceAmount };
struct EntryAddition {
    Withholding row;
    EntryBox refusedBox = EntryBox::None;
    QStringList messages;
    QString conversionError;
    bool accepted() const { return refusedBox == EntryBox::None; }
};
EntryAddition entryAddition(const ManualEntry &entry, const QString &declaredMonth,
                            const QString &declaredYear);

// The grid row ADICIONA appends: texts trimmed, the date as DD/MM/YYYY and the CUIT as
// NN-NNNNNNNN-N, whatever part of them was typed.
Withholding manualRow(const ManualEntry &entry);

// The rows a reload appends, one per line read.
QList<Withholding> reloadedRows(const QList<DeclarationLine> &lines);

#pragma once

#include "common/decimal.h"

#include <QtGlobal>

// Withheld amount of an invoice: 5/1000 of it, kept as a double, brought to a whole number by
// dropping the fraction unless it is greater than one half (exactly one half is dropped).
qint32 withheldAmount(Decimal invoiceAmount);

// Whether an invoice amount, as it stands after its "0.00" formatting, fits the nine whole
// digits of the declaration record's amount fields: below 1,000,000,000.
bool invoiceAmountInRange(Decimal invoiceAmount);

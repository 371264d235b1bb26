#pragma once

#include <QString>

// The check digit of a CUIT from its first ten digits: weights 5 4 3 2 7 6 5 4 3 2, eleven
// minus the sum modulo 11, where 11 gives 0 and 10 gives 9. -1 when the text is not ten digits.
int cuitCheckDigit(QStringView firstTenDigits);

// Whether a CUIT written as NN-NNNNNNNN-N has a prefix the tax agency assigns and the right
// check digit. Anything else (bare digits, blanks, other separators, missing digits) fails.
bool isValidCuit(QStringView cuit);

// ADICIONA's question for a supplier CUIT that fails the check, shown with its hyphens.
QString invalidCuitQuestion(const QString &cuitWithHyphens);

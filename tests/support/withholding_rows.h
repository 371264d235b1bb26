#pragma once

#include "withholdings/withholding.h"

#include <QString>

// A grid row as the tests write it: the texts of its cells, the company's name in any script.
inline Withholding withholdingRow(const char *receipt, const char *date, const char *invoice,
                                  const char *withheld, const QString &company, const char *cuit)
{
    return {QString::fromLatin1(receipt),
            QString::fromLatin1(date),
            QString::fromLatin1(invoice),
            QString::fromLatin1(withheld),
            company,
            QString::fromLatin1(cuit)};
}

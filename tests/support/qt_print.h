#pragma once

#include "withholdings/withholding.h"

#include <QByteArray>
#include <QString>
#include <ostream>

// Lets GoogleTest print Qt texts and byte arrays readably in failure messages.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QByteArray &b, std::ostream *os)
{
    *os << '"' << b.toStdString() << '"';
}
inline void PrintTo(const Withholding &w, std::ostream *os)
{
    *os << '{';
    for (int column = ReceiptColumn; column <= SupplierCuitColumn; ++column)
        *os << (column == ReceiptColumn ? "\"" : ", \"") << (w.*Withholding::field(column)).toStdString()
            << '"';
    *os << '}';
}

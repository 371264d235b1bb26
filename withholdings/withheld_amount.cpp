#include "withholdings/withheld_amount.h"

#include "common/numbers.h"

qint32 withheldAmount(Decimal invoiceAmount)
{
    const Decimal x = StoreAsDouble(DecimalQuotient(DecimalProduct(invoiceAmount, 5), 1000));
    const auto t = static_cast<qint32>(TruncToInteger(x));
    const Decimal f = StoreAsDouble(DecimalDifference(x, t));
    return f > 0.5L ? t + 1 : t;
}

bool invoiceAmountInRange(Decimal invoiceAmount)
{
    return invoiceAmount < 1000000000.0L;
}

#include "header/header_checks.h"

#include "common/numbers.h"
#include "common/text_helpers.h"

bool monthAccepted(const QString &monthText)
{
    if (TrimBlanks(monthText).isEmpty())
        return false;
    // Negative values can only be pasted; they are refused like 0, since the declaration's
    // month code exists for 1 to 12 only.
    const qint32 month = ParseInteger(monthText);
    return month >= 1 && month <= 12;
}

bool yearAccepted(const QString &yearText)
{
    if (TrimBlanks(yearText).isEmpty())
        return false;
    const qint32 year = ParseInteger(yearText);
    return year >= FirstAcceptedYear && year <= LastAcceptedYear;
}

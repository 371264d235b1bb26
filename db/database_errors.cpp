#include "db/database_errors.h"

#include "common/errors.h"

#include <ibase.h>

bool isHeldByAnother(const DatabaseError &e)
{
    for (long code : {isc_deadlock, isc_update_conflict, isc_lock_conflict, isc_unique_key_violation})
        if (e.hasCode(code))
            return true;
    return false;
}

bool isOpenElsewhere(const DatabaseError &e)
{
    return e.hasCode(isc_already_opened);
}

bool isPermissionRefused(const DatabaseError &e)
{
    return e.hasCode(isc_no_priv);
}

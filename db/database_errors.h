#pragma once

class DatabaseError;

// A refusal because another program holds the rows asked for (an update conflict, a lock
// conflict, the same key inserted by another at the same moment): trying again later is enough.
bool isHeldByAnother(const DatabaseError &e);

// The database file is open in another engine that does not share it (one that opens it for
// itself alone, or one that shares it through another lock folder).
bool isOpenElsewhere(const DatabaseError &e);

// The user the program attaches as may not do this to a table (a grant is missing).
bool isPermissionRefused(const DatabaseError &e);

#pragma once

#include <QString>
#include <QStringList>

class Transaction;

// The statements of a script in the form the command-line tool reads: each ends with the
// terminator, ";" until a "SET TERM" statement changes it (for trigger bodies, whose own
// statements end with ";"). Comments and blank pieces are left out.
QStringList splitSqlScript(const QString &script);

// Runs every statement of the script and commits after each one, as definitions need;
// "COMMIT" in the script commits too. Raises DatabaseError at the first failing statement.
void runSqlScript(Transaction &transaction, const QString &script);

// The script's GRANT statements for the user `RETENCIONES` given to another user instead; the
// name must be a plain identifier (letters, digits, "_" and "$", a letter first, at most 63
// characters), else nothing.
QStringList grantsForUser(const QString &script, const QString &user);

// The name under which the script grants what a clerk needs.
inline const QString ScriptGrantee = QStringLiteral("RETENCIONES");

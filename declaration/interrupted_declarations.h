#pragma once

#include "declaration/filed_declaration.h"

#include <QString>
#include <QStringList>

class Connection;
class Dialogs;
class RetenStore;

// What was done with the declarations a killed generation left unfinished.
struct Recovery {
    QStringList recovered; // the declaration files put in place
    QStringList failures;  // what could not be done, as the clerk reads it
};

// A generation killed after its commit, before its file took its name, leaves its declaration
// recorded in DECLARACION (and its rows in RETEN) while its bytes are only in the temporary file
// "<name>.txt.<16 letters and digits>.tmp" beside the declaration. Every such file in
// `workFolder` that is this user's own plain file and that no running generation holds is looked
// at. One whose SHA-256 is the recorded one of the newest version of its declaration, while the
// file under the declaration's name is not that version, takes that name: the file there first
// kept in anteriores with its listing, as a generation keeps them, and that listing taken from
// its place so that it is not taken for the recovered declaration's. One whose bytes no row of
// DECLARACION records is removed (a generation killed before its commit), and so is a second
// copy of bytes that are where a row says already; any other is left, for the only copy of bytes
// that a row records is never deleted. Without the database to tell, nothing is touched. Never
// throws.
Recovery recoverInterruptedDeclarations(Connection &connection, const QString &workFolder,
                                        const QString &listingFolder, const QString &machine = thisMachine());

// Removes the files a killed writer left half-written in the clerk's folders: the listing's
// folder, the work folder, its anteriores and the constancias beside either. Only this user's
// own plain files that nobody is writing go. How many went.
int removeLeftoverFiles(const QString &workFolder, const QString &listingFolder);

// What the clerk reads about the recovery; empty when there is nothing to tell.
QString recoveryText(const Recovery &recovery);

// At the program's start, in the current folder: both of the above, the clerk told once.
void recoverAtStart(RetenStore &store, Dialogs &dialogs, const QString &listingFolder);

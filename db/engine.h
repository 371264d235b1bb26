#pragma once

#include <QString>

// The folder of the Firebird installation that the client library belongs to (its own
// configuration, message file and character sets' module), for tools that set up a server.
QString firebirdInstallFolder();

// This user cannot share the machine's lock folder, so the embedded engine opens local database
// files for itself alone (see db/fb_api.cpp): a backup or a second window cannot open the file
// while the program holds it.
bool engineOpensFilesExclusively();

// What the clerk is told about that, once.
QString exclusiveEngineNotice();

// Why a database file could not be opened because another program holds it.
QString openElsewhereText(bool exclusive);

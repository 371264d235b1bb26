#pragma once

#include <QString>

// The folder of the Firebird installation that the client library belongs to (its own
// configuration, message file and character sets' module), for tools that set up a server.
QString firebirdInstallFolder();

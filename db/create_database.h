#pragma once

#include <QString>

// The largest page the engine offers.
constexpr int DatabasePageSize = 16384;

// Creates an empty database file: pages of DatabasePageSize bytes, SQL dialect 3 and WIN1252
// as the default character set of its texts. An existing file is never overwritten: the database
// refuses it. Raises DatabaseError with the client's text.
void createDatabase(const QString &path, const QString &userName, const QString &password);

// Removes a database, local or on a server; for a database that could not be made whole.
// Never fails: a local file that cannot be attached is deleted.
void dropDatabase(const QString &path, const QString &userName, const QString &password) noexcept;

#pragma once

#include <QString>

class QProcessEnvironment;
class QSettings;

// Where the program's database is and with which user it attaches.
struct DatabaseSettings {
    static inline const QString DefaultUserName = QStringLiteral("SYSDBA");
    static inline const QString DefaultPassword = QStringLiteral("vordelsam");

    DatabaseSettings() = default;
    // A database given by its path alone attaches with the default user and password.
    DatabaseSettings(QString path, QString userName = DefaultUserName, QString password = DefaultPassword)
        : path(std::move(path)), userName(std::move(userName)), password(std::move(password))
    {
    }

    // Any Firebird connection string: a local path, or "host:/path", "host/port:/path",
    // "inet://host:port//path".
    QString path;
    QString userName = DefaultUserName;
    QString password = DefaultPassword;
};

// Each value comes from the first place that gives it: the environment (RETENCIONES_DATABASE,
// RETENCIONES_USER, RETENCIONES_PASSWORD), then the user's settings file (Database/Path,
// Database/User, Database/Password), then the default. An empty value counts as not given.
DatabaseSettings readDatabaseSettings(const QProcessEnvironment &environment, const QSettings &settings,
                                      const QString &defaultPath);

// The user's settings file, in INI format: ~/.config/Retenciones/Retenciones.conf, or
// %APPDATA%\Retenciones\Retenciones.ini on Windows.
QString settingsFilePath();

// The same from this process's environment, the user's settings file and the default
// database file of the platform.
DatabaseSettings readDatabaseSettings();

// ~/Retenciones/RETENCIONES.FDB, or C:\Retenciones\RETENCIONES.FDB on Windows.
QString defaultDatabasePath();

// True when the connection string names a file of this machine, opened by the embedded
// engine, rather than a database behind a server.
bool isLocalDatabase(const QString &connection);

#include "db/database_settings.h"

#include <QDir>
#include <QProcessEnvironment>
#include <QSettings>
#include <QStandardPaths>

namespace {
QString firstGiven(const QProcessEnvironment &environment, const char *variable, const QSettings &settings,
                   const char *key, const QString &fallback)
{
    const QString fromEnvironment = environment.value(QLatin1String(variable));
    if (!fromEnvironment.trimmed().isEmpty())
        return fromEnvironment;
    const QString fromSettings = settings.value(QLatin1String(key)).toString();
    if (!fromSettings.trimmed().isEmpty())
        return fromSettings;
    return fallback;
}
} // namespace

DatabaseSettings readDatabaseSettings(const QProcessEnvironment &environment, const QSettings &settings,
                                      const QString &defaultPath)
{
    DatabaseSettings result;
    result.path = firstGiven(environment, "RETENCIONES_DATABASE", settings, "Database/Path", defaultPath);
    result.userName = firstGiven(environment, "RETENCIONES_USER", settings, "Database/User",
                                 DatabaseSettings::DefaultUserName);
    result.password = firstGiven(environment, "RETENCIONES_PASSWORD", settings, "Database/Password",
                                 DatabaseSettings::DefaultPassword);
    return result;
}

QString settingsFilePath()
{
#ifdef Q_OS_WIN
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Retenciones"),
                     QStringLiteral("Retenciones"))
        .fileName();
#else
    // Qt would name an INI file of the user ".ini"; ".conf" is the usual name here.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Retenciones/Retenciones.conf");
#endif
}

DatabaseSettings readDatabaseSettings()
{
    const QSettings settings(settingsFilePath(), QSettings::IniFormat);
    return readDatabaseSettings(QProcessEnvironment::systemEnvironment(), settings, defaultDatabasePath());
}

QString defaultDatabasePath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\Retenciones\\RETENCIONES.FDB");
#else
    return QDir::homePath() + QStringLiteral("/Retenciones/RETENCIONES.FDB");
#endif
}

bool isLocalDatabase(const QString &connection)
{
    static const QLatin1String protocols[] = {QLatin1String("inet://"), QLatin1String("inet4://"),
                                              QLatin1String("inet6://"), QLatin1String("xnet://"),
                                              QLatin1String("wnet://")};
    for (const QLatin1String &protocol : protocols) {
        if (connection.startsWith(protocol, Qt::CaseInsensitive))
            return false;
    }
#ifdef Q_OS_WIN
    if (connection.startsWith(QLatin1String("\\\\")))
        return false; // \\server\path
#endif
    // "host:path" or "host/port:path": a server part before the first colon, which holds no
    // path separator (a colon further on belongs to a file name). On Windows a single letter
    // before the colon is a drive.
    const qsizetype colon = connection.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return true;
    const QString server = connection.left(colon);
#ifdef Q_OS_WIN
    if (server.size() == 1)
        return true;
    if (server.contains(QLatin1Char('\\')))
        return true;
#endif
    const qsizetype slash = server.indexOf(QLatin1Char('/'));
    if (slash == 0)
        return true; // an absolute path with a colon in it
    // "host/port" has its one slash between host and port.
    return slash > 0 && server.indexOf(QLatin1Char('/'), slash + 1) >= 0;
}

#include "db/database_settings.h"

#include "tests/support/qt_print.h"

#include <QDir>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
const QString Default = QStringLiteral("/home/clerk/Retenciones/RETENCIONES.FDB");

struct Source {
    const char *path = nullptr, *user = nullptr, *password = nullptr;
};
} // namespace

// Each of the three values comes from the environment, else the settings file, else the
// default, independently of the other two; an empty value is no value.
TEST(DatabaseSettings, EnvironmentThenSettingsFileThenDefault)
{
    struct Case {
        const char *name;
        Source environment, file;
        const char *path, *user, *password;
    };
    const Case cases[] = {
        {"nothing given", {}, {}, nullptr, "SYSDBA", "vordelsam"},
        {"settings file", {}, {"srv:/data/R.FDB", "CLERK", "secret"}, "srv:/data/R.FDB", "CLERK", "secret"},
        {"environment", {"/tmp/R.FDB", "ANA", "pw"}, {}, "/tmp/R.FDB", "ANA", "pw"},
        {"environment before the file",
         {"srv/3051:/x.fdb", "ANA", "pw"},
         {"/y.fdb", "CLERK", "secret"},
         "srv/3051:/x.fdb",
         "ANA",
         "pw"},
        {"each value on its own", {"/tmp/R.FDB"}, {nullptr, "CLERK"}, "/tmp/R.FDB", "CLERK", "vordelsam"},
        {"empty values count as none", {"", " ", ""}, {"", "CLERK", "  "}, nullptr, "CLERK", "vordelsam"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        QSettings file(folder.filePath(QStringLiteral("Retenciones.conf")), QSettings::IniFormat);
        QProcessEnvironment environment;
        const auto put = [&](const char *variable, const char *key, const char *fromEnvironment,
                             const char *fromFile) {
            if (fromEnvironment)
                environment.insert(QLatin1String(variable), QString::fromUtf8(fromEnvironment));
            if (fromFile)
                file.setValue(QLatin1String(key), QString::fromUtf8(fromFile));
        };
        put("RETENCIONES_DATABASE", "Database/Path", c.environment.path, c.file.path);
        put("RETENCIONES_USER", "Database/User", c.environment.user, c.file.user);
        put("RETENCIONES_PASSWORD", "Database/Password", c.environment.password, c.file.password);

        const DatabaseSettings settings = readDatabaseSettings(environment, file, Default);
        EXPECT_EQ(settings.path, c.path ? QString::fromUtf8(c.path) : Default);
        EXPECT_EQ(settings.userName, QString::fromUtf8(c.user));
        EXPECT_EQ(settings.password, QString::fromUtf8(c.password));
    }
}

// The program's own reading finds the user's settings file in its usual place.
TEST(DatabaseSettings, ProgramReadsTheUsersSettingsFile)
{
    QTemporaryDir config;
    const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    qunsetenv("RETENCIONES_DATABASE");
    EXPECT_EQ(settingsFilePath(), config.filePath(QStringLiteral("Retenciones/Retenciones.conf")));
    ASSERT_TRUE(QDir(config.path()).mkpath(QStringLiteral("Retenciones")));
    QFile file(config.filePath(QStringLiteral("Retenciones/Retenciones.conf")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Database]\nPath=oficina/3050:/srv/retenciones/RETENCIONES.FDB\nUser=MARTA\n");
    file.close();

    const DatabaseSettings settings = readDatabaseSettings();
    EXPECT_EQ(settings.path, QStringLiteral("oficina/3050:/srv/retenciones/RETENCIONES.FDB"));
    EXPECT_EQ(settings.userName, QStringLiteral("MARTA"));
    EXPECT_EQ(settings.password, QStringLiteral("vordelsam"));
    qputenv("XDG_CONFIG_HOME", previous);
}

TEST(DatabaseSettings, LocalFileOrServer)
{
    const struct {
        const char *connection;
        bool local;
    } cases[] = {
        {"/home/clerk/Retenciones/RETENCIONES.FDB", true},
        {"RETENCIONES.FDB", true},
        {"/data/a:b.fdb", true},
        {"oficina:/srv/RETENCIONES.FDB", false},
        {"oficina/3051:/srv/RETENCIONES.FDB", false},
        {"127.0.0.1/3051:/srv/R.FDB", false},
        {"inet://oficina:3051//srv/R.FDB", false},
        {"INET4://oficina/srv/R.FDB", false},
        {"xnet://R.FDB", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(isLocalDatabase(QString::fromUtf8(c.connection)), c.local) << c.connection;
}

// create_database [--if-missing] [--grant-to USER] [DATABASE [SCRIPT]]: creates the program's
// database and its tables; --grant-to gives USER what the script grants the user RETENCIONES. DATABASE is a
// local path or a server's connection string (host:/path, host/port:/path, inet://host:port//path); without
// it, the database the program opens, found as the program finds it, with the same user and password. Without
// SCRIPT, sql/reten.sql of the sources. --if-missing leaves an existing local file and a database on a server
// alone without a word.

#include "common/errors.h"
#include "db/connection.h"
#include "db/create_database.h"
#include "db/database_settings.h"
#include "db/sql_script.h"
#include "db/transaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {
int fail(const QString &message)
{
    QTextStream(stderr) << "create_database: " << message << Qt::endl;
    return 1;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    bool ifMissing = false;
    QString grantee;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--if-missing"))
            ifMissing = true;
        else if (option == QLatin1String("--grant-to") && !args.isEmpty())
            grantee = args.takeFirst();
        else
            args = QStringList{QStringLiteral("-")};
    }
    if (args.size() > 2 || (!args.isEmpty() && args.first().startsWith(QLatin1Char('-'))))
        return fail(
            QStringLiteral("usage: create_database [--if-missing] [--grant-to USER] [DATABASE [SCRIPT]]"));
    DatabaseSettings settings = readDatabaseSettings();
    if (!args.isEmpty())
        settings.path = args.first();
    const bool local = isLocalDatabase(settings.path);
    const QString path = local ? QFileInfo(settings.path).absoluteFilePath() : settings.path;
    const QString scriptPath = args.value(1, QStringLiteral(RETENCIONES_SQL_DIR "/reten.sql"));

    if (ifMissing && (!local || QFileInfo::exists(path)))
        return 0;
    if (local && QFileInfo::exists(path))
        return fail(QStringLiteral("%1 already exists; it is left as it is").arg(path));
    QFile scriptFile(scriptPath);
    if (!scriptFile.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(scriptPath, scriptFile.errorString()));
    const QString script = QString::fromUtf8(scriptFile.readAll());
    const QStringList grants = grantee.isEmpty() ? QStringList() : grantsForUser(script, grantee);
    if (!grantee.isEmpty() && grants.isEmpty())
        return fail(QStringLiteral("%1 is not a user name the script can grant to").arg(grantee));
    if (local && !QDir().mkpath(QFileInfo(path).absolutePath()))
        return fail(QStringLiteral("cannot create the folder of %1").arg(path));

    try {
        // A server refuses a file that exists already.
        createDatabase(path, settings.userName, settings.password);
    } catch (const AppError &e) {
        return fail(e.message());
    }
    try {
        Connection connection(path, settings.userName, settings.password);
        Transaction transaction(connection);
        runSqlScript(transaction, script);
        for (const QString &grant : grants)
            runSqlScript(transaction, grant + QLatin1Char(';'));
    } catch (const AppError &e) {
        // A database without its table would only fail later: take it away.
        dropDatabase(path, settings.userName, settings.password);
        return fail(e.message());
    }
    QTextStream(stdout) << "created " << path << Qt::endl;
    return 0;
}

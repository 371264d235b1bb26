// create_database [PATH [SCRIPT]]: creates the program's database and its table.
// Without PATH, the file the program opens; without SCRIPT, sql/reten.sql of the sources.

#include "common/errors.h"
#include "db/connection.h"
#include "db/create_database.h"
#include "db/sql_script.h"
#include "db/transaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {
// The store's user and password, as the program's connection gives them.
const QString UserName = QStringLiteral("SYSDBA");
const QString Password = QStringLiteral("vordelsam");

QString defaultPath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\Retenciones\\RETENCIONES.FDB");
#else
    return QDir::home().filePath(QStringLiteral("Retenciones/RETENCIONES.FDB"));
#endif
}

int fail(const QString &message)
{
    QTextStream(stderr) << "create_database: " << message << Qt::endl;
    return 1;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() > 2 || (!args.isEmpty() && args.first().startsWith(QLatin1Char('-'))))
        return fail(QStringLiteral("usage: create_database [PATH [SCRIPT]]"));
    const QString path = QFileInfo(args.value(0, defaultPath())).absoluteFilePath();
    const QString scriptPath = args.value(1, QStringLiteral(RETENCIONES_SQL_DIR "/reten.sql"));

    if (QFileInfo::exists(path))
        return fail(QStringLiteral("%1 already exists; it is left as it is").arg(path));
    QFile scriptFile(scriptPath);
    if (!scriptFile.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(scriptPath, scriptFile.errorString()));
    const QString script = QString::fromUtf8(scriptFile.readAll());
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return fail(QStringLiteral("cannot create the folder of %1").arg(path));

    try {
        createDatabase(path, UserName, Password);
    } catch (const AppError &e) {
        return fail(e.message());
    }
    try {
        Connection connection(path, UserName, Password);
        Transaction transaction(connection);
        runSqlScript(transaction, script);
    } catch (const AppError &e) {
        // A database without its table would only fail later: take it away.
        QFile::remove(path);
        return fail(e.message());
    }
    QTextStream(stdout) << "created " << path << Qt::endl;
    return 0;
}

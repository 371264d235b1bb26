#include "db/fb_api.h"

#include "common/errors.h"

#include <QDir>
#include <QFile>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace FbApi {

namespace {
// The embedded engine keeps its lock files in one folder for all users, /tmp/firebird,
// made by whoever used it first and open to that user only. A user locked out of it takes
// a folder of his own; two engines never share a database file anyway, as each holds it
// exclusively while attached.
void useReachableLockFolder()
{
#ifndef Q_OS_WIN
    if (qEnvironmentVariableIsSet("FIREBIRD_LOCK") || access("/tmp/firebird", F_OK) != 0 ||
        access("/tmp/firebird", R_OK | W_OK | X_OK) == 0)
        return;
    const QString own = QDir::temp().filePath(QStringLiteral("firebird-%1").arg(geteuid()));
    qputenv("FIREBIRD_LOCK", QFile::encodeName(own));
#endif
}
} // namespace

Firebird::IMaster *master()
{
    static Firebird::IMaster *const m = [] {
        useReachableLockFolder();
        return Firebird::fb_get_master_interface();
    }();
    return m;
}

Firebird::IUtil *util()
{
    return master()->getUtilInterface();
}

QString statusText(Firebird::IStatus *status)
{
    // The client cuts its text to the buffer; a status of several lines fits easily.
    char buffer[4096] = {};
    util()->formatStatus(buffer, sizeof buffer - 1, status);
    QString text = QString::fromLocal8Bit(buffer);
    while (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

long errorCode(Firebird::IStatus *status)
{
    if (!(status->getState() & Firebird::IStatus::STATE_ERRORS))
        return 0;
    const intptr_t *errors = status->getErrors();
    return errors[0] == isc_arg_gds ? long(errors[1]) : 0;
}

void throwDatabaseError(const Firebird::FbException &e)
{
    throw DatabaseError(statusText(e.getStatus()));
}

QByteArray pathBytes(const QString &path)
{
    return QFile::encodeName(path);
}

} // namespace FbApi

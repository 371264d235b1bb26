#include "fb_api.h"

#include "errors.h"

#include <QFile>

namespace FbApi {

Firebird::IMaster *master()
{
    static Firebird::IMaster *const m = Firebird::fb_get_master_interface();
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

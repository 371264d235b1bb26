#include "common/errors.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace {
QString ioMessage(int code)
{
    switch (code) {
    case 2:
        return QStringLiteral("The specified file was not found");
    case 3:
        return QStringLiteral("Invalid file name - %s");
    case 4:
        return QStringLiteral("Too many open files");
    case 5:
        return QStringLiteral("File access denied");
    case 100:
        return QStringLiteral("Read beyond end of file");
    case 101:
        return QStringLiteral("Disk full");
    case 106:
        return QStringLiteral("Invalid numeric input");
    default:
        return QStringLiteral("I/O error %1").arg(code);
    }
}
} // namespace

IoError::IoError(int code) : AppError(ioMessage(code)), code_(code) {}

QString DefaultErrorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > 46)
        return message + QLatin1Char('.');
    return message;
}

QString ApplicationTitle(const QString &programFilePath)
{
    int cut = -1;
    for (int i = programFilePath.size() - 1; i >= 0; --i) {
        const QChar c = programFilePath.at(i);
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':')) {
            cut = i;
            break;
        }
    }
    QString name = programFilePath.mid(cut + 1);
    const int dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    if (name.size() > 1)
        name = name.left(1) + name.mid(1).toLower();
    return name;
}

QString systemErrorText(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("no tiene permiso para escribir o leer allí");
    case EROFS:
        return QStringLiteral("el disco es de solo lectura");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("el disco está lleno");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("la carpeta no existe");
    case ELOOP:
        return QStringLiteral("es un enlace");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

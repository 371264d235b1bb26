#include "db/fb_api.h"

#include "common/errors.h"
#include "db/engine.h"
#include "db/library_lookup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

#ifndef Q_OS_WIN
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace FbApi {

namespace {
// The embedded engine keeps its lock files in one folder for all users, /tmp/firebird,
// made by whoever used it first and open to that user only. A user locked out of it takes
// a folder of his own and returns true. Engines that share a database file must share its
// lock folder too, so such an engine must hold its files exclusively.
bool useOwnLockFolder()
{
#ifndef Q_OS_WIN
    if (qEnvironmentVariableIsSet("FIREBIRD_LOCK") || access("/tmp/firebird", F_OK) != 0 ||
        access("/tmp/firebird", R_OK | W_OK | X_OK) == 0)
        return false;
    const QString own = QDir::temp().filePath(QStringLiteral("firebird-%1").arg(geteuid()));
    qputenv("FIREBIRD_LOCK", QFile::encodeName(own));
    return true;
#else
    return false;
#endif
}

// Text of a configuration file that puts the given settings before everything the file of
// that name in the installation (or in the root folder the user chose) says: the engine keeps
// the first value it reads. The installation's file is named by a pattern, since a pattern
// that matches nothing is no error, so an installation without one of these files still starts.
QByteArray configText(const QByteArray &settings, const QString &file, const QString &userRoot)
{
    QByteArray text = "# Written by Retenciones at start-up; changes are lost.\n" + settings;
    if (userRoot.isEmpty()) {
        text += "include $(install)/" + QFile::encodeName(file) + "*.conf\n";
    } else {
        const QString path = QDir(userRoot).filePath(file + QStringLiteral(".conf"));
        if (QFileInfo::exists(path))
            text += "include " + QFile::encodeName(path) + '\n';
    }
    return text;
}

bool writeIfChanged(const QString &path, const QByteArray &text)
{
    QFile current(path);
    if (current.open(QIODevice::ReadOnly) && current.readAll() == text)
        return true;
    current.close();
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
}

const char *const OwnFiles[] = {"firebird", "databases", "plugins"};

// The embedded engine opens a database file for itself alone unless firebird.conf of its
// root folder names a shared mode; then every process of the machine (a backup, isql, a
// second window) opens the file beside ours, coordinated through the lock folder. The root
// folder is the one the FIREBIRD variable names: the program gives the client one of its
// own, whose files take everything else from the installation's. Returns that folder, or
// nothing when it cannot be written: the engine then runs as configured.
QString useSharedEngine()
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty())
        return {};
    const QString root = QDir(cache).filePath(QStringLiteral("Retenciones/firebird"));
    // A process started by this program inherits the variable: its root is then ours already.
    QString userRoot = qEnvironmentVariable("FIREBIRD");
    if (!userRoot.isEmpty() && QFileInfo(userRoot).canonicalFilePath() == QFileInfo(root).canonicalFilePath())
        userRoot.clear();
    if (!QDir().mkpath(root))
        return {};
    for (const char *file : OwnFiles) {
        const QString name = QLatin1String(file);
        if (!writeIfChanged(QDir(root).filePath(name + QStringLiteral(".conf")),
                            configText(name == QLatin1String("firebird") ? "ServerMode = SuperClassic\n" : "",
                                       name, userRoot)))
            return {};
    }
    qputenv("FIREBIRD", QFile::encodeName(root));
    return root;
}

// Puts a file in place in one step, so that another process starting at the same moment
// finds either the old file or the new one.
bool replaceWith(const QString &temporary, const QString &path)
{
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(temporary.toStdU16String()),
                            std::filesystem::path(path.toStdU16String()), error);
    if (error)
        QFile::remove(temporary);
    return !error;
}

QString temporaryName(const QString &path)
{
    return path + QStringLiteral(".%1.part").arg(QCoreApplication::applicationPid());
}

// The character sets' module refuses to be loaded through a link: its folder is copied (a
// hard link where the file system allows it), and again when the installation's changes.
void copyFolder(const QString &from, const QString &to)
{
    if (QFileInfo(to).isSymLink())
        QFile::remove(to);
    QDir().mkpath(to);
    const QFileInfoList files = QDir(from).entryInfoList(QDir::Files);
    for (const QFileInfo &file : files) {
        const QString copy = QDir(to).filePath(file.fileName());
        const QFileInfo existing(copy);
        if (existing.exists() && existing.size() == file.size() &&
            existing.lastModified() >= file.lastModified())
            continue;
        const QString part = temporaryName(copy);
        QFile::remove(part);
#ifndef Q_OS_WIN
        const bool linked = ::link(QFile::encodeName(file.canonicalFilePath()).constData(),
                                   QFile::encodeName(part).constData()) == 0;
#else
        const bool linked = false;
#endif
        if (linked || QFile::copy(file.canonicalFilePath(), part))
            replaceWith(part, copy);
    }
}

// The engine finds some of its parts under the root folder (the character sets' module, whose
// configuration says "$(root)/intl"; the message file): the program's root shows those of the
// installation through links. The installation's folder is only known once the client has
// taken its root, and its parts are first looked for at the first attachment.
void linkInstallation(Firebird::IMaster *master, const QString &root)
{
    const QString install = QString::fromLocal8Bit(master->getConfigManager()->getInstallDirectory());
    if (install.isEmpty() || QFileInfo(install).canonicalFilePath() == QFileInfo(root).canonicalFilePath())
        return;
    const QFileInfoList entries = QDir(install).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        bool own = false;
        for (const char *file : OwnFiles)
            own = own || entry.fileName() == QLatin1String(file) + QStringLiteral(".conf");
        if (own)
            continue;
        const QString link = QDir(root).filePath(entry.fileName());
        if (entry.fileName() == QLatin1String("intl")) {
            copyFolder(entry.absoluteFilePath(), link);
            continue;
        }
        if (QFileInfo(link).symLinkTarget() == entry.absoluteFilePath())
            continue;
        const QString part = temporaryName(link);
        QFile::remove(part);
        if (QFile::link(entry.absoluteFilePath(), part))
            replaceWith(part, link);
    }
}
} // namespace

Firebird::IMaster *master()
{
    static Firebird::IMaster *const m = [] {
        const QString root = useOwnLockFolder() ? QString() : useSharedEngine();
        Firebird::IMaster *master = Firebird::fb_get_master_interface();
        if (!root.isEmpty())
            linkInstallation(master, root);
        return master;
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

// Sanitizers bring a dlopen of their own.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RETENCIONES_SANITIZED
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define RETENCIONES_SANITIZED
#endif

#if !defined(Q_OS_WIN) && !defined(RETENCIONES_SANITIZED)
// Every library the program opens at run time (Qt's plugins, the engine and what the engine
// opens) comes through here: the program's own definition comes before the system's. A name
// of the engine's search for ICU that the loader cannot find fails at once, at a path where
// it is not, instead of through the loader's whole search (see db/library_lookup.h); every
// other name goes to the system's dlopen unchanged. That call is the function's last act, a
// jump, so that the system sees the original caller as the caller whose search path it
// follows.
extern "C" void *dlopen(const char *file, int mode)
{
    using Dlopen = void *(*)(const char *, int);
    static const Dlopen system = reinterpret_cast<Dlopen>(::dlsym(RTLD_NEXT, "dlopen"));
    if (file && LibraryLookup::isIcuProbe(file)) {
        if (const std::optional<std::string> path = LibraryLookup::pathThatFailsAtOnce(file))
            return system(path->c_str(), mode);
    }
    return system(file, mode);
}
#endif

QString firebirdInstallFolder()
{
    return QString::fromLocal8Bit(FbApi::master()->getConfigManager()->getInstallDirectory());
}

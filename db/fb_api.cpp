#include "db/fb_api.h"

#include "common/errors.h"
#include "common/safe_file.h"
#include "db/engine.h"
#include "db/engine_copies.h"
#include "db/lock_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef Q_OS_WIN
#include <grp.h>
#include <pwd.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <vector>

namespace FbApi {

namespace {
// What the engine set-up decided for this process; read once the master interface exists.
struct EngineSetup {
    bool exclusive = false;
    QString problem; // why no database may be opened, for the clerk
};
EngineSetup engineSetup;

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

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeIfChanged(const QString &path, const QByteArray &text)
{
    return (QFileInfo(path).isFile() && contents(path) == text) || writeFileSafely(path, text) == 0;
}

const char *const OwnFiles[] = {"firebird", "databases", "plugins"};

// Writes the program's own root folder for the engine (see master()); false when it cannot, with
// the folder another user could change in `changeable` when that is why. The engine loads its
// plugins as the files there say, so nothing is written, and the folder is not used, where
// another user could swap a folder on the way for his own.
bool writeOwnRoot(const QString &root, const QByteArray &serverMode, QString *changeable)
{
    // A process started by this program inherits the variable: its root is then ours already.
    QString userRoot = qEnvironmentVariable("FIREBIRD");
    if (!userRoot.isEmpty() && QFileInfo(userRoot).canonicalFilePath() == QFileInfo(root).canonicalFilePath())
        userRoot.clear();
    *changeable = folderOthersCanChange(root);
    if (!changeable->isEmpty() || !QDir().mkpath(root))
        return false;
    *changeable = folderOthersCanChange(root);
    if (!changeable->isEmpty())
        return false;
    for (const char *file : OwnFiles) {
        const QString name = QLatin1String(file);
        const QByteArray settings =
            name == QLatin1String("firebird") ? "ServerMode = " + serverMode + '\n' : QByteArray();
        if (!writeIfChanged(QDir(root).filePath(name + QStringLiteral(".conf")),
                            configText(settings, name, userRoot)))
            return false;
    }
    return true;
}

QString exclusiveRefusal(const QString &why)
{
    return QStringLiteral("Su usuario no puede usar la carpeta de bloqueos de Firebird que comparten los "
                          "programas de esta máquina, y el programa no puede preparar una propia, así que no "
                          "abre la base de datos.\n%1")
        .arg(why);
}

// The embedded engine opens a database file for itself alone unless firebird.conf of its root
// folder names a shared mode; then every process of the machine (a backup, isql, a second
// window) opens the file beside ours, coordinated through the lock folder, which therefore
// must be the same for all of them: the machine's, /tmp/firebird. A clerk who can use it shares
// the file. One who cannot (outside group firebird, or the folder is missing or not one to
// trust) must not share it through a folder nobody else uses: his engine opens files for itself
// alone, with its lock files in a folder only he can reach, and another engine that opens the
// file at the same time is refused instead of writing beside it.
//
// The root folder is the one the FIREBIRD variable names: the program gives the client one of
// its own, whose files take everything else from the installation's: in the cache folder, or in
// the session's runtime folder when another user could change the way to the cache folder.
EngineSetup prepareEngine()
{
#ifndef Q_OS_WIN
    QStringList roots;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty())
        roots << QDir(cache).filePath(QStringLiteral("Retenciones/firebird"));
    const QString runtime = privateRuntimeFolder();
    if (!runtime.isEmpty())
        roots << QDir(runtime).filePath(QStringLiteral("retenciones-firebird-conf"));
    const QString own = privateLockFolder();
    const QString given = qEnvironmentVariable("FIREBIRD_LOCK");
    // A lock folder given by the environment is an administrator's choice, held to the same
    // rules as the machine's, or the private one this program gave a process it started.
    const bool exclusive = given.isEmpty() ? !machineLockFolderUsable(QStringLiteral("/tmp/firebird"))
                                           : given == own || !machineLockFolderUsable(given);
    EngineSetup setup{exclusive, {}};
    if (exclusive) {
        // Looked at before anything is made there, and again once it is there.
        QString changeable = own.isEmpty() ? QString() : folderOthersCanChange(own);
        QString why;
        if (changeable.isEmpty() && (own.isEmpty() || !ensurePrivateFolder(own, &why))) {
            setup.problem = exclusiveRefusal(why);
            return setup;
        }
        if (changeable.isEmpty())
            changeable = folderOthersCanChange(own);
        if (!changeable.isEmpty()) {
            setup.problem = exclusiveRefusal(changeableFolderText(changeable));
            return setup;
        }
        qputenv("FIREBIRD_LOCK", QFile::encodeName(own));
    }
    QString changeable;
    for (const QString &root : std::as_const(roots)) {
        QString unsafe;
        if (writeOwnRoot(root, exclusive ? "Super" : "SuperClassic", &unsafe)) {
            qputenv("FIREBIRD", QFile::encodeName(root));
            return setup;
        }
        if (changeable.isEmpty())
            changeable = unsafe;
    }
    // The installation's mode with the machine's lock folder is safe for those who share it.
    if (exclusive)
        setup.problem = changeable.isEmpty()
                            ? exclusiveRefusal(QStringLiteral("No se puede escribir %1.").arg(roots.value(0)))
                            : exclusiveRefusal(changeableFolderText(changeable));
    return setup;
#else
    return {};
#endif
}

QString temporaryName(const QString &path)
{
    return path + QStringLiteral(".%1.part").arg(QCoreApplication::applicationPid());
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
            refreshCopies(entry.absoluteFilePath(), link);
            continue;
        }
        if (QFileInfo(link).symLinkTarget() == entry.absoluteFilePath())
            continue;
        const QString part = temporaryName(link);
        QFile::remove(part);
        if (QFile::link(entry.absoluteFilePath(), part) && renameOver(part, link) != 0)
            QFile::remove(part);
    }
}
} // namespace

Firebird::IMaster *master()
{
    static Firebird::IMaster *const m = [] {
        engineSetup = prepareEngine();
        Firebird::IMaster *master = Firebird::fb_get_master_interface();
        const QString root = qEnvironmentVariable("FIREBIRD");
        if (!root.isEmpty() && engineSetup.problem.isEmpty())
            linkInstallation(master, root);
        return master;
    }();
    return m;
}

Firebird::IProvider *dispatcher()
{
    Firebird::IMaster *m = master();
    if (!engineSetup.problem.isEmpty())
        throw DatabaseError(engineSetup.problem);
    return m->getDispatcher();
}

bool opensFilesExclusively()
{
    master();
    return engineSetup.exclusive && engineSetup.problem.isEmpty();
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

QList<long> errorCodes(Firebird::IStatus *status)
{
    QList<long> codes;
    if (!(status->getState() & Firebird::IStatus::STATE_ERRORS))
        return codes;
    // Pairs of kind and value up to the end mark; strings and numbers are skipped.
    for (const intptr_t *p = status->getErrors(); *p != isc_arg_end; p += 2) {
        if (*p == isc_arg_cstring)
            ++p; // length, then the text
        else if (*p == isc_arg_gds)
            codes << long(p[1]);
    }
    return codes;
}

void throwDatabaseError(const Firebird::FbException &e)
{
    throw DatabaseError(statusText(e.getStatus()), errorCodes(e.getStatus()));
}

QByteArray pathBytes(const QString &path)
{
    return QFile::encodeName(path);
}

} // namespace FbApi

QString firebirdInstallFolder()
{
    return QString::fromLocal8Bit(FbApi::master()->getConfigManager()->getInstallDirectory());
}

bool engineOpensFilesExclusively()
{
    return FbApi::opensFilesExclusively();
}

QString exclusiveEngineNotice()
{
#ifndef Q_OS_WIN
    const passwd *user = ::getpwuid(::geteuid());
    const QString name = user ? QString::fromLocal8Bit(user->pw_name) : QStringLiteral("SU_USUARIO");
    // In the group, it is the folder that is missing or not to be trusted.
    const group *engine = ::getgrnam("firebird");
    std::vector<gid_t> groups(std::size_t(std::max(::getgroups(0, nullptr), 0)));
    groups.resize(std::size_t(std::max(::getgroups(int(groups.size()), groups.data()), 0)));
    if (engine && (::getegid() == engine->gr_gid ||
                   std::find(groups.begin(), groups.end(), engine->gr_gid) != groups.end()))
        return QStringLiteral(
            "La carpeta de bloqueos de Firebird de esta máquina (/tmp/firebird) falta o no es de confianza "
            "(debe ser una carpeta del usuario root o firebird en la que solo ellos y el grupo firebird "
            "puedan escribir), así que el programa abre la base de datos en forma exclusiva: mientras esté "
            "abierto, ni una copia de seguridad (gbak) ni una segunda ventana del programa pueden usarla. "
            "Para compartirla, el administrador puede crearla (install -d -o firebird -g firebird -m 0770 "
            "/tmp/firebird) y usted volver a iniciar el programa.");
#else
    const QString name = QStringLiteral("SU_USUARIO");
#endif
    return QStringLiteral("Su usuario no pertenece al grupo firebird de esta máquina, así que el programa "
                          "abre la base de "
                          "datos en forma exclusiva: mientras esté abierto, ni una copia de seguridad (gbak) "
                          "ni una segunda "
                          "ventana del programa pueden usarla. Para compartirla, el administrador puede "
                          "agregarlo al grupo "
                          "(adduser %1 firebird) y usted volver a iniciar la sesión.")
        .arg(name);
}

QString openElsewhereText(bool exclusive)
{
    if (exclusive)
        return QStringLiteral(
            "La base de datos está abierta por otro programa (otra ventana de Retenciones, una "
            "copia de seguridad u otro usuario). Como su usuario no pertenece al grupo "
            "firebird, el programa solo puede abrirla cuando nadie más la usa: cierre el otro "
            "programa y vuelva a intentar.");
    return QStringLiteral(
        "La base de datos está abierta en forma exclusiva por otro programa (por ejemplo el de "
        "un usuario que no pertenece al grupo firebird). Cuando ese programa la cierre, vuelva a "
        "intentar.");
}

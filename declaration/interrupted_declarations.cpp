#include "declaration/interrupted_declarations.h"

#include "common/dialogs.h"
#include "common/errors.h"
#include "common/safe_file.h"
#include "common/sha256.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "declaration/declaration_file.h"
#include "declaration/kept_copies.h"
#include "declaration/reten_store.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {
const QString TemporarySuffix = QStringLiteral(".tmp");
const QString HasTable =
    QStringLiteral("select count(*) from rdb$relations where rdb$relation_name = 'DECLARACION'");
const QString NewestOfFile = QStringLiteral("select first 1 sha256 from declaracion where base = :base and "
                                            "equipo = :equipo and archivo = :archivo order by id desc");
const QString RecordsBytes =
    QStringLiteral("select equipo, archivo from declaracion where base = :base and sha256 = :sha256");

// The SHA-256 of what the descriptor holds, read from its start.
QByteArray sha256Of(int fd)
{
#ifdef Q_OS_UNIX
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return {};
    Sha256 hash;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return {};
        }
        hash.addData(QByteArrayView(buffer, n));
    }
    return hash.hexResult();
#else
    Q_UNUSED(fd);
    return {};
#endif
}

void closeDescriptor(int fd)
{
#ifdef Q_OS_UNIX
    ::close(fd);
#else
    Q_UNUSED(fd);
#endif
}

class Records {
public:
    explicit Records(Connection &connection)
        : transaction_(connection, Transaction::Mode::ReadOnly), query_(transaction_)
    {
        query_.setSql(HasTable);
        query_.open();
        present_ = query_.next() && query_.number(0) > 0;
        query_.close();
    }
    ~Records()
    {
        query_.close();
        try {
            transaction_.rollback();
        } catch (const std::exception &) {
        }
    }
    bool present() const { return present_; }
    QByteArray newest(const QString &base, const QString &machine, const QString &file)
    {
        query_.setSql(NewestOfFile);
        query_.setText(QStringLiteral("base"), base);
        query_.setUnicodeText(QStringLiteral("equipo"), machine);
        query_.setUnicodeText(QStringLiteral("archivo"), file);
        query_.open();
        const QByteArray sha = query_.next() ? query_.text(0).trimmed().toLatin1() : QByteArray();
        query_.close();
        return sha;
    }
    // Whether a row records these bytes while no file it names on this machine holds them: the
    // only copy of a recorded declaration is never deleted.
    bool onlyCopy(const QString &base, const QByteArray &sha256, const QString &machine)
    {
        query_.setSql(RecordsBytes);
        query_.setText(QStringLiteral("base"), base);
        query_.setText(QStringLiteral("sha256"), QString::fromLatin1(sha256));
        query_.open();
        bool recorded = false;
        bool elsewhere = false;
        while (!elsewhere && query_.next()) {
            recorded = true;
            QByteArray bytes;
            // Only read, never through a link, and only a plain file.
            elsewhere = query_.text(0).compare(machine, Qt::CaseInsensitive) == 0 &&
                        readPlainFile(query_.text(1), bytes) && Sha256::hexHash(bytes) == sha256;
        }
        query_.close();
        return recorded && !elsewhere;
    }

private:
    Transaction transaction_;
    Query query_;
    bool present_ = false;
};

// The declaration file's name in a temporary file's: "17300415.txt" of
// "17300415.txt.<16 letters and digits>.tmp".
QString declarationOf(const QString &temporary)
{
    static const QRegularExpression shape(
        QStringLiteral("^([0-9A-Za-z]{1,8})\\.txt\\.[A-Za-z0-9]{16}\\.tmp$"));
    const QRegularExpressionMatch m = shape.match(temporary);
    return m.hasMatch() ? m.captured(1) : QString();
}

// Puts the claimed temporary file in the declaration's place, the file there kept first.
bool putInPlace(const OpenedFolder &folder, const QString &temporary, const QString &base,
                const QString &listingFolder, Recovery &recovery)
{
    const QString fileName = declarationFileName(base);
    const QString file = folder.filePath(fileName);
    const QString listing = QDir(listingFolder).filePath(declarationPdfName(base));
    KeptDeclaration kept;
    try {
        kept = keepEarlierDeclaration(file, listing, base);
    } catch (const AppError &e) {
        recovery.failures << e.message();
        return false;
    }
#ifdef Q_OS_UNIX
    const QByteArray from = QFile::encodeName(temporary);
    const QByteArray to = QFile::encodeName(fileName);
    if (::renameat(folder.descriptor(), from.constData(), folder.descriptor(), to.constData()) != 0) {
        const int error = errno;
        kept.undo();
        recovery.failures << QStringLiteral("No se pudo poner la declaración %1 en su lugar: %2.")
                                 .arg(QDir::toNativeSeparators(file), systemErrorText(error));
        return false;
    }
    ::fsync(folder.descriptor());
#endif
    kept.dropEarlierListing(listing);
    recovery.recovered << fileName;
    return true;
}
} // namespace

Recovery recoverInterruptedDeclarations(Connection &connection, const QString &workFolder,
                                        const QString &listingFolder, const QString &machine)
{
    Recovery recovery;
    OpenedFolder folder;
    if (!folder.open(workFolder, false, false))
        return recovery;
    QStringList temporaries;
    for (const QString &name : folder.names())
        if (!declarationOf(name).isEmpty())
            temporaries << name;
    if (temporaries.isEmpty())
        return recovery;
    try {
        Records records(connection);
        for (const QString &temporary : temporaries) {
            const int fd = claimLeftover(folder, temporary);
            if (fd < 0)
                continue; // a generation is writing it, or it is not this user's
            // Let go however this one ends.
            struct Held {
                int fd;
                ~Held()
                {
                    if (fd >= 0)
                        closeDescriptor(fd);
                }
            } held{fd};
            const QString base = declarationOf(temporary);
            const QByteArray sha = sha256Of(fd);
            const QString file = folder.filePath(declarationFileName(base));
            if (records.present() && !sha.isEmpty() && records.newest(base, machine, file) == sha &&
                fileSha256(file) != sha) {
                // The recorded version that never took its name: it takes it now.
                putInPlace(folder, temporary, base, listingFolder, recovery);
            } else if (!records.present() || (!sha.isEmpty() && (fileSha256(file) == sha ||
                                                                 !records.onlyCopy(base, sha, machine)))) {
                // Bytes nobody recorded, or a second copy of bytes kept where their row says.
                held.fd = -1;
                removeClaimedLeftover(folder, temporary, fd);
            }
        }
    } catch (const std::exception &) {
        // The database cannot tell which bytes it records: nothing more is touched.
    }
    return recovery;
}

int removeLeftoverFiles(const QString &workFolder, const QString &listingFolder)
{
    const QDir work(workFolder);
    QStringList folders{listingFolder, workFolder, work.filePath(KeptFolderName),
                        work.filePath(QStringLiteral("constancias")),
                        work.filePath(KeptFolderName + QStringLiteral("/constancias"))};
    folders.removeDuplicates();
    int removed = 0;
    for (const QString &path : folders) {
        OpenedFolder folder;
        if (folder.open(QDir::cleanPath(path), false, false))
            removed += removeLeftovers(folder, QStringLiteral(".part"));
    }
    return removed;
}

QString recoveryText(const Recovery &recovery)
{
    QStringList text;
    if (!recovery.recovered.isEmpty())
        text << QStringLiteral(
                    "El programa se cerró la última vez mientras escribía %1, después de guardarla en "
                    "la base de datos. Ya quedó en su lugar, tal como se registró; el archivo "
                    "que estaba antes se guardó en la carpeta anteriores.")
                    .arg(recovery.recovered.size() == 1
                             ? QStringLiteral("la declaración ") + recovery.recovered[0]
                             : QStringLiteral("las declaraciones ") +
                                   recovery.recovered.join(QStringLiteral(", ")));
    text += recovery.failures;
    return text.join(QStringLiteral("\n\n"));
}

void recoverAtStart(RetenStore &store, Dialogs &dialogs, const QString &listingFolder)
{
    const QString work = QDir::currentPath();
    const Recovery recovery = recoverInterruptedDeclarations(store.Conector, work, listingFolder);
    removeLeftoverFiles(work, listingFolder);
    const QString text = recoveryText(recovery);
    if (!text.isEmpty())
        dialogs.ShowInformation(text);
}

#include "declaration/declaration_generation.h"

#include "common/dialogs.h"
#include "common/errors.h"
#include "common/numbers.h"
#include "common/safe_file.h"
#include "common/sha256.h"
#include "common/text_file.h"
#include "common/text_helpers.h"
#include "declaration/interrupted_declarations.h"
#include "declaration/reten_store.h"
#include "report/report_definition.h"
#include "report/report_engine.h"
#include "withholdings/grid_model.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <future>
#include <limits>
#include <thread>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
// Codes as the clerk's desktop reports them, for the final rename.
int renameErrorCode(int error)
{
    switch (error) {
    case ENOENT:
        return 2;
    case ENOTDIR:
        return 3;
    case EBUSY:
    case ETXTBSY:
        return 32;
    case ENOSPC:
        return 112;
    default:
        return 5; // a folder in the way, no permission, read-only medium
    }
}

QString temporarySuffix()
{
    return QStringLiteral(".tmp");
}

// Ends the store's part of the generation however the generation ends.
class StoreSession {
public:
    explicit StoreSession(RetenStore &store) : store_(store) {}
    ~StoreSession() { store_.finish(); }
    StoreSession(const StoreSession &) = delete;
    StoreSession &operator=(const StoreSession &) = delete;

private:
    RetenStore &store_;
};

// One stretch of what the monitor shows: begun now, ended however the scope ends.
class MonitorScope {
public:
    using Step = void (ExportMonitor::*)();
    MonitorScope(ExportMonitor *monitor, Step begin, Step end) : monitor_(monitor), end_(end)
    {
        if (monitor_)
            (monitor_->*begin)();
    }
    ~MonitorScope()
    {
        if (monitor_)
            (monitor_->*end_)();
    }
    MonitorScope(const MonitorScope &) = delete;
    MonitorScope &operator=(const MonitorScope &) = delete;

protected:
    ExportMonitor *monitor_;

private:
    Step end_;
};

// The export's display, from the Yes until the listing is exported or the export failed.
class MonitorSession : public MonitorScope {
public:
    explicit MonitorSession(ExportMonitor *monitor)
        : MonitorScope(monitor, &ExportMonitor::exportStarted, &ExportMonitor::exportFinished)
    {
    }

    ProgressCallback callback() const
    {
        if (!monitor_)
            return {};
        ExportMonitor *monitor = monitor_;
        return [monitor](int percent) { return monitor->exportProgress(percent); };
    }
};
} // namespace

DeclarationGeneration::DeclarationGeneration(RetenStore &store, ReportDefinition &report, TextFile &f,
                                             Dialogs &dialogs)
    : store_(store), report_(report), f_(f), dialogs_(dialogs)
{
}

QString DeclarationGeneration::question()
{
    return QStringLiteral("Confirma Generar Archivo con Caracter de DDJJ ?");
}

QString DeclarationGeneration::statusText(const QString &programFolder, const QString &baseName)
{
    return QStringLiteral("SU ARCHIVOS(TXT y PDF)FUERON GENERADOS EN  ") + TrimBlanks(programFolder) +
           QStringLiteral(" CON EL NOMBRE :") + TrimBlanks(baseName);
}

QString DeclarationGeneration::periodCaption(const DeclarationHeader &header)
{
    return QStringLiteral("Periodo : ") + TrimBlanks(header.month) + QLatin1Char('/') +
           TrimBlanks(header.year) + QStringLiteral(" Legajo : ") + TrimBlanks(header.legajo) +
           QLatin1Char(' ') + TrimBlanks(header.agentName);
}

namespace {
// Where the writing of a declaration failed, in the order in which one row after the other
// would have met it: a row's progress figure, then its record, then its insert; after the last
// row the final figure, then the sync.
struct Failure {
    enum Step { Progress, Record, Insert };
    qint64 at = std::numeric_limits<qint64>::max();
    std::exception_ptr error;

    void set(int row, Step step) noexcept
    {
        at = qint64(row) * 3 + step;
        error = std::current_exception();
    }
};
} // namespace

void DeclarationGeneration::writeDeclaration(const DeclarationHeader &header, const GridModel &grid,
                                             const QString &periodo, const QString &partName, int &inserted,
                                             ExportMonitor *monitor, QByteArray &sha256,
                                             std::optional<TemporaryFileClaim> &claim)
{
    createDeclarationFile(f_, partName, true);
    // Held until the file has its name: a start or a generation of another window that clears
    // away what killed generations left knows it from one being written.
    claim.emplace(partName);
    const int lastRow = grid.lastRow();
    // The records go to the file on a thread of their own, which hashes them as they are written
    // and then waits until the disk holds them (before the rows are committed: a power cut never
    // leaves an empty file under the declaration's name), while the rows go to RETEN here. Both
    // only read the grid. What fails first, in the order of one row after the other, is what is
    // raised.
    Failure file;
    Sha256 digest;
    SetTextDigest(f_, [&digest](QByteArrayView bytes) { digest.addData(bytes); });
    std::thread writer([&] {
        int row = 1;
        try {
            for (; row <= lastRow; ++row)
                if (grid.isOccupied(row))
                    appendDeclarationRecord(f_, declarationRecord(grid.withholding(row), header));
            row = lastRow + 1;
            SyncTextFile(f_);
            CheckIo();
            SetTextDigest(f_, {});
            closeDeclarationFile(f_);
        } catch (...) {
            file.set(row, Failure::Record);
            SetTextDigest(f_, {});
            CloseTextFileQuietly(f_);
        }
    });
    Failure rows;
    int row = 1;
    Failure::Step step = Failure::Progress;
    try {
        // Rows past the last one appended are empty; the progress is counted up to it.
        const qint64 filled = std::clamp(grid.Fila() - 1, 1, std::max(lastRow, 1));
        int shown = 0;
        int shownAt = 0;
        for (; row <= lastRow; ++row) {
            step = Failure::Progress;
            // The window moves in steps of 5 %, so a large declaration is never a frozen one;
            // a small one, written in a moment, is not slowed by a repaint every few rows.
            if (monitor && row <= filled && row - shownAt >= WritingStepRows) {
                const int percent = int(std::min<qint64>((row - 1) * 100 / filled, 95)) / 5 * 5;
                if (percent > shown) {
                    shown = percent;
                    shownAt = row;
                    monitor->writingProgress(percent);
                }
            }
            if (!grid.isOccupied(row))
                continue; // never filled, or a deleted row
            step = Failure::Insert;
            store_.insert(retenRow(grid.withholding(row), periodo));
            ++inserted;
        }
        step = Failure::Progress;
        if (monitor)
            monitor->writingProgress(100);
    } catch (...) {
        rows.set(row, step);
    }
    writer.join();
    if (!file.error)
        sha256 = digest.hexResult();
    if (file.error && file.at < rows.at)
        std::rethrow_exception(file.error);
    if (rows.error)
        std::rethrow_exception(rows.error);
}

std::optional<GenerationResult> DeclarationGeneration::run(const DeclarationHeader &header,
                                                           const GridModel &grid,
                                                           const QString &programFolder,
                                                           ExportMonitor *monitor)
{
    const StoreSession session(store_);
    // RETEN is emptied before anything is asked, whatever the answer.
    {
        const MonitorScope clearing(monitor, &ExportMonitor::clearingStarted,
                                    &ExportMonitor::clearingFinished);
        store_.clear();
    }
    if (!dialogs_.AskConfirmation(question()))
        return std::nullopt;

    GenerationResult result;
    result.baseName = declarationBaseName(header.year, header.month, header.legajo);
    const QString fileName = declarationFileName(result.baseName);
    const QString periodo = TrimBlanks(header.month) + QLatin1Char('/') + TrimBlanks(header.year);

    // From here until the listing is exported no other program changes RETEN; one that is
    // already writing it makes this generation stop here, before any file is touched.
    store_.reserve();
    // A declaration recorded by a generation that was killed before its file took its name is
    // put in place first, so that it is kept like any earlier one; what killed ones left goes.
    const Recovery recovered =
        recoverInterruptedDeclarations(store_.Conector, QDir::currentPath(), programFolder);
    if (const QString text = recoveryText(recovered); !text.isEmpty())
        dialogs_.ShowInformation(text);
    // The progress window stays up from here until the listing is exported.
    MonitorSession display(monitor);
    result.listingPath = programFolder + declarationPdfName(result.baseName);
    // A fresh name nobody could have planted a link or a file under.
    const QString partName = freshSiblingName(fileName, temporarySuffix());
    int inserted = 0;
    std::optional<TemporaryFileClaim> claim;
    FiledDeclaration &filed = result.filed;
    QByteArray listing;
    std::optional<QString> listingFault;
    std::exception_ptr listingCrash;
    try {
        // What was handed in before under this name is kept before anything new is written.
        result.kept = keepEarlierDeclaration(fileName, result.listingPath, result.baseName);
        QByteArray sha256;
        writeDeclaration(header, grid, periodo, partName, inserted, monitor, sha256, claim);
        store_.learnSuppliersOfReten(registerPeriod(declaredYear(header.year), declaredMonth(header.month)));
        filed.legajo = TrimBlanks(header.legajo);
        filed.year = declaredYear(header.year);
        filed.month = declaredMonth(header.month);
        filed.baseName = result.baseName;
        filed.confirmedAt = QDateTime::currentDateTime();
        filed.rows = inserted;
        filed.total = double(ParseDecimal(TrimBlanks(grid.totalText())));
        filed.bytes = QFileInfo(partName).size();
        filed.agentName = TrimBlanks(header.agentName);
        filed.host = thisMachine();
        filed.file = QFileInfo(fileName).absoluteFilePath();
        filed.listing = QFileInfo(result.listingPath).absoluteFilePath();
        // The fingerprint is waited for at the last moment: the file's last bytes are hashed
        // while the record's earlier statements run.
        result.recorded = store_.recordsDeclarations();
        if (result.recorded)
            store_.record(filed, result.kept, [&sha256] { return sha256; });
        else
            filed.sha256 = sha256;
        // The rows are committed on a thread of their own while the listing is laid out here from
        // the rows as the database stored them; it is written only once the declaration is in
        // place. Nothing here touches the database meanwhile.
        std::future<void> committed = std::async(std::launch::async, [this] { store_.commit(); });
        try {
            const QString total =
                FormatDecimal(QStringLiteral("0.00"), ParseDecimal(TrimBlanks(grid.totalText())));
            report_.setCaption(QStringLiteral("periodo"), periodCaption(header));
            report_.setCaption(QStringLiteral("Qrtotal"), total);
            report_.setCaption(QStringLiteral("resumen"),
                               listingSummary(fileName, inserted, total, filed.sha256));
            RetenRowSource rows = store_.insertedRows();
            ReportEngine engine(report_);
            listing = engine.renderPdf(rows, display.callback());
            result.report = engine.lastRun();
        } catch (const AppError &e) {
            listingFault = e.message();
        } catch (...) {
            listingCrash = std::current_exception();
        }
        committed.get();
    } catch (...) {
        // Its rows were never seen by anyone; the lock goes with them, and so do the file and
        // the copies of the earlier declaration, which is still in its place.
        store_.abandon();
        QFile::remove(partName);
        result.kept.undo();
        throw;
    }
    if (faultAfterCommit)
        faultAfterCommit();
    // The rows are committed: only now does the file take the declaration's name, so that a
    // refused commit leaves the earlier declaration where it was. A rename that fails takes the
    // rows back out, and RETEN holds nothing of a declaration that was not written. Its folder is
    // synced once the listing is written (with the listing's, when it is the same folder), before
    // the clerk is told: a power cut meanwhile finds the declaration recorded and its file not
    // yet in place, which the next start puts there, as after a kill.
    if (const int error = renameOver(partName, fileName, false)) {
        // A record the database would not take back keeps its bytes and the copies it names:
        // the next start or generation puts them in place.
        if (store_.forget()) {
            QFile::remove(partName);
            result.kept.undo();
        }
        throw IoError(renameErrorCode(error));
    }
    claim.reset();
    confirmed_ = filed;
    // Synced however the listing ends, unless the listing's own folder is this one, which
    // writing the listing syncs.
    bool folderSynced = false;
    const auto syncLater = qScopeGuard([&] {
        if (!folderSynced)
            syncFolderOf(fileName);
    });

    try {
        if (listingCrash)
            std::rethrow_exception(listingCrash);
        if (listingFault)
            throw ReportError(*listingFault);
        writePdfFile(result.listingPath, listing);
    } catch (const AppError &e) {
        // The earlier listing, kept, is not left where the new one belongs.
        result.kept.dropEarlierListing(result.listingPath);
        throw ReportError(listingFailedText(fileName, e.message()));
    }
    folderSynced = QFileInfo(fileName).absolutePath() == QFileInfo(result.listingPath).absolutePath();
    result.statusText = statusText(programFolder, result.baseName);
    return result;
}

QString DeclarationGeneration::listingFailedText(const QString &fileName, const QString &error)
{
    return QStringLiteral("La declaración %1 quedó generada y sus filas guardadas en la base de datos, pero "
                          "no se pudo generar su listado PDF:\n%2")
        .arg(fileName, error);
}

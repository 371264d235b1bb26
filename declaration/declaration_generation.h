#pragma once

#include "declaration/declaration_file.h"
#include "declaration/filed_declaration.h"
#include "declaration/kept_copies.h"
#include "report/report_engine.h"

#include <QString>

#include <functional>
#include <optional>

class Dialogs;
class GridModel;
class RetenStore;
class TemporaryFileClaim;
class TextFile;
struct ReportDefinition;

// What the clerk sees while RETEN is emptied, then from the Yes until the listing is exported:
// first the rows going to the declaration file and RETEN, then the listing. Every call comes on
// the GUI thread.
class ExportMonitor {
public:
    virtual ~ExportMonitor() = default;
    // Around the emptying of RETEN before the question, which takes seconds when RETEN holds a
    // large declaration: the clerk is told to wait. The end comes also when the emptying fails.
    virtual void clearingStarted() {}
    virtual void clearingFinished() {}
    virtual void exportStarted() {}
    // The share of the grid's rows written to the file and RETEN, at a multiple of 5 once at
    // least DeclarationGeneration::WritingStepRows rows were written since the last figure, and
    // 100 at the end. A cancel asked for meanwhile is for the listing: the declaration itself
    // always completes.
    virtual void writingProgress(int percent) { Q_UNUSED(percent); }
    // The listing's percentage done, at every multiple of 5; false cancels after the row just
    // placed.
    virtual bool exportProgress(int percent) = 0;
    // Also when the export ends with an error.
    virtual void exportFinished() {}
};

struct GenerationResult {
    QString baseName;
    QString statusText; // the status line's text
    QString listingPath;
    ReportRun report;
    // The declaration as DECLARACION keeps it (its id and version only when `recorded`).
    FiledDeclaration filed;
    bool recorded = false;
    // Where the declaration it replaced was kept.
    KeptDeclaration kept;
};

// CONFIRMA: empties RETEN, asks the clerk, writes the declaration file and RETEN's rows from
// the occupied grid rows, commits, and exports the listing as PDF into the program folder.
//
// The declaration goes to a new temporary file beside it (the current folder), made under a
// fresh name that nobody could have planted anything under, and replaces the file of its name
// only once every record is on the disk and every row is committed, so a generation that fails
// halfway leaves the earlier declaration as it was, no partial file and no new rows. Before
// anything is written, a declaration an earlier generation left recorded but unwritten (it was
// killed between its commit and the rename) is put in its place, the clerk told; then an earlier
// declaration of the name and its listing are kept in the folder `anteriores` beside it (or the
// generation stops, with the reason); the declaration is
// recorded in DECLARACION, with the SHA-256 of the file's bytes, in the work that commits the
// rows, and the listing ends with the rows, the total and that fingerprint. Errors are
// raised as they occur (ConversionError, IoError, DatabaseError); once the declaration is
// complete, a failure of its listing is a ReportError that says so. When another program is
// writing RETEN at that moment, the refusal comes at the emptying or right after the clerk's
// Yes, before any file is touched; rows of a generation that fails before its commit are
// rolled back, so no other program waits on them.
class DeclarationGeneration {
public:
    static constexpr int WritingStepRows = 200;

    // A fault point for the tests: when set, it runs once the rows are committed and before the
    // file takes its name, where a test kills the process to see what the next start finds.
    static inline std::function<void()> faultAfterCommit;

    DeclarationGeneration(RetenStore &store, ReportDefinition &report, TextFile &f, Dialogs &dialogs);

    // Nothing when the clerk does not answer Yes.
    std::optional<GenerationResult> run(const DeclarationHeader &header, const GridModel &grid,
                                        const QString &programFolder, ExportMonitor *monitor = nullptr);

    static QString question();
    static QString statusText(const QString &programFolder, const QString &baseName);
    static QString periodCaption(const DeclarationHeader &header);
    // What the clerk reads when the declaration is complete but its listing is not.
    static QString listingFailedText(const QString &fileName, const QString &error);

    // The declaration the last run put in place, with the fingerprint of the bytes it wrote (also
    // when only its listing failed); empty before one is in place.
    const FiledDeclaration &confirmed() const { return confirmed_; }

private:
    // The records to a new temporary file, on the disk when this returns, with the SHA-256 of its
    // bytes, and the rows to RETEN.
    void writeDeclaration(const DeclarationHeader &header, const GridModel &grid, const QString &periodo,
                          const QString &partName, int &inserted, ExportMonitor *monitor, QByteArray &sha256,
                          std::optional<TemporaryFileClaim> &claim);

    RetenStore &store_;
    ReportDefinition &report_;
    TextFile &f_;
    Dialogs &dialogs_;
    FiledDeclaration confirmed_;
};

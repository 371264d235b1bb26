#pragma once

#include "common/errors.h"
#include "db/connection.h"
#include "db/database_settings.h"
#include "db/query.h"
#include "db/transaction.h"
#include "declaration/filed_declaration.h"
#include "declaration/kept_copies.h"
#include "report/row_source.h"
#include "withholdings/supplier_register.h"
#include "withholdings/withholding.h"

#include <QHash>
#include <QString>

#include <functional>
#include <vector>

// One withholding as RETEN keeps it; texts are stored as given (the database pads them to
// their column and refuses what does not fit).
struct RetenRow {
    QString nroCom;
    QString fecha;
    double importe = 0;
    QString razon;
    QString cuit;
    QString periodo;
};

// A grid row as RETEN keeps it: texts trimmed, the withheld amount as a double.
RetenRow retenRow(const Withholding &row, const QString &periodo);

class RetenRowSource;

// Table RETEN through the window's three database components: the connection `Conector`,
// its transaction `tran` and the query `t_reten`, which carries one statement at a time.
// Every statement attaches and starts the transaction first when that has not happened yet,
// so a store that could not connect tries again.
//
// The database writes every changed page to the disk at each commit and each transaction
// start writes its header page, one waited-for write each; a generation therefore uses as few
// transactions as keep its guarantees. The clearing and the rows each end with a full commit,
// so that the clearing's second run removes the deleted rows before the clerk's Yes. A transaction kept open
// from one generation to the next would keep every deleted row of every program on the database alive: its
// file would grow with each declaration.
//
// Other programs may use the same database at once (a second window, a colleague through a
// server). The transaction reads what they committed. Whoever changes RETEN holds the one row
// of RETEN_LOCK: the clearing inside its own work, a generation in a short transaction of its
// own beside `tran`, from the clerk's Yes until its listing is exported; the listing is made
// of the rows as the database stored them, which it returns for each insert. So two
// generations never mix their rows, and nobody changes RETEN under a listing being made; the
// other program is refused at once (busyText()) and the clerk confirms again. A lock row that
// was deleted is put back, never silently done without. A database made before RETEN_LOCK
// existed is used without it.
class RetenStore {
public:
    static inline const QString UserName = DatabaseSettings::DefaultUserName;
    static inline const QString Password = DatabaseSettings::DefaultPassword;

    // The database is any connection string (see DatabaseSettings).
    explicit RetenStore(const QString &databasePath, const QString &userName = UserName,
                        const QString &password = Password);

    // Attaches and tries the transaction; a failure is dropped and leaves the store
    // disconnected. False when it failed. No transaction stays open.
    bool connect() noexcept;

    // Deletes every row and commits, then runs the same statement once more as a query.
    // Raises the database's refusal when another program is writing RETEN; nothing of the
    // clearing stays then.
    void clear();
    // Starts the writing of a generation: takes RETEN_LOCK until finish() or abandon() and
    // deletes, inside the work that the commit ends, whatever another program committed since
    // the clearing.
    // Raises the database's refusal at once when another program holds the lock.
    void reserve();
    // Inserts one row; JID is given by the database.
    void insert(const RetenRow &row);
    // Commits the rows; the lock stays until finish().
    void commit();
    // Whether the database records every declaration (table DECLARACION); a database made
    // before it existed is used without it.
    bool recordsDeclarations();
    // Adds the declaration's row to DECLARACION in the generation's work, so that the commit
    // makes it with RETEN's rows and a generation that fails records nothing. Its version is
    // the next of its base name (set in `declaration`, with its id). The newest earlier row of
    // the same file on this machine is first pointed at where that file was kept (`kept`), or
    // at where it would have been when it was gone already. The SHA-256 comes from
    // `fingerprint`, when given, asked for just before the row is added.
    void record(FiledDeclaration &declaration, const KeptDeclaration &kept,
                const std::function<QByteArray()> &fingerprint = {});
    // Takes the rows just committed out again (RETEN's and the declaration's record), for a
    // generation whose file could not be put in place after its commit. Never throws; false when
    // the database did not take them out (the record stays, and with it the claim on the file's
    // bytes). The lock stays until finish().
    bool forget() noexcept;
    // Ends a generation, however it went: closes the listing, commits what is left and lets
    // other programs change RETEN again. Never fails.
    void finish() noexcept;
    // Gives up a generation that failed after reserve() before its commit: its rows, which
    // nobody else ever saw, and the lock. Never fails; a connection that went away has lost
    // both anyway.
    void abandon() noexcept;
    // The rows inserted since reserve(), in the order of their JIDs, as the database stored
    // them: each insert returns its row (the JID its trigger gave, every text as RETEN keeps
    // it), so the listing asks the engine for nothing more. Valid until finish().
    RetenRowSource insertedRows();

    // The supplier register, table SUJETO; a database made before it existed has none, and
    // then these do nothing and read nothing.
    // Teaches the register the suppliers of RETEN's rows, inside the generation's own work
    // (after the rows, before the commit), so that a failed generation teaches nothing. Runs
    // while the generation holds RETEN_LOCK: two generations never meet on a supplier. A
    // withholding counts once for its period: the period's rows replace what an earlier
    // declaration of it counted (table SUJETO_PERIODO; a database without it keeps its counts).
    void learnSuppliersOfReten(const QString &period);
    // What a user without the register's grants reads.
    static QString registerGrantsText();
    // Teaches it the given suppliers' names and period in a short work of its own, which holds
    // RETEN_LOCK like a generation; refused (busyText()) while another program generates. An
    // imported file or a reloaded declaration counts nothing: only the declaration made does.
    void learnSuppliers(const QList<SupplierCount> &suppliers, const QString &period);
    // Reads the register in pieces: opens it, gives up to `count` suppliers a call, in no
    // particular order, and ends it when it is read whole. Rows with a blank name are skipped.
    void openSuppliers();
    QList<Supplier> nextSuppliers(int count);
    void closeSuppliers() noexcept;
    bool hasSupplierTable();

    // The refusal the clerk reads while another program generates on the same database.
    static QString busyText();
    static bool isBusy(const DatabaseError &e) { return e.message() == busyText(); }
    // A lock row that is gone and that this user may not put back.
    static QString missingLockText();

    Connection Conector;
    Transaction tran;
    Query t_reten;

private:
    // Pieces of learnSuppliersOfReten(), in the generation's work.
    void runWithPeriod(Query &q, const QString &sql, const QString &period);
    void uncountVanishedSuppliers(const QString &period);
    void learnInsertedSuppliers(const QString &period);
    // Takes in the CUIT and name of the last inserted row, as RETEN keeps them.
    void noteInsertedSupplier(QByteArrayView storedCuit, QByteArrayView storedRazon);
    // Makes the query inactive and gives it this statement as its only text.
    void prepare(const QString &sql);
    // Asked once per attachment.
    bool hasTable(const QString &name);
    bool hasLockTable() { return hasTable(QStringLiteral("RETEN_LOCK")); }
    void takeLock();
    void moveRecorded(qint64 id, const QString &file, const QString &listing);
    void release() noexcept;

    Transaction lockTran_;
    Query lock_;
    Transaction supplierTran_;
    Query suppliers_;
    unsigned tablesCheckedFor_ = 0; // the attachment whose answers tables_ holds
    QHash<QString, bool> tables_;
    // The statements of a generation, each on a query of its own so that it is prepared once per
    // attachment rather than for every declaration: the preparing of a statement costs the
    // engine more than running it on a month's rows.
    Query earlierOfFile_;
    Query moveRecord_;
    Query insertRecord_;
    Query lockRow_;
    Query insertRow_;
    // What each insert since reserve() returned, in the insert's own row format.
    std::vector<QByteArray> insertedRows_;
    Query learnFromReten_;
    Query countedInPeriod_;
    Query uncount_;
    Query forgetCounted_;
    // The suppliers of the rows inserted since reserve(), gathered from what each insert
    // returned as a reading of RETEN grouped by CUIT would give them: no reading is needed.
    struct InsertedSupplier {
        QByteArray group; // the stored CUIT without its trailing blanks, as the engine compares it
        QByteArray order; // the stored bytes, by which the engine sorts its groups
        QString cuit;     // trimmed, as the register keeps it
        qint64 rows = 0;
        qsizetype namedRow = -1; // the last of its rows whose name is not blank
    };
    std::vector<InsertedSupplier> insertedSuppliers_;
    QHash<QByteArray, qsizetype> supplierIndex_;
    qsizetype lastSupplier_ = -1;
    // What record() did in this generation, for forget(): the row it added and the earlier row
    // it pointed elsewhere, with that row's places before.
    qint64 recordedId_ = 0;
    qint64 movedId_ = 0;
    QString movedFile_;
    QString movedListing_;
};

// Rows of RETEN that `query` returned, kept by Query::rowBytes(), as the report's rows. IMPORTE
// and JID read as numbers, every other column as the database returns its text.
class RetenRowSource : public RowSource {
public:
    RetenRowSource(Query &query, const std::vector<QByteArray> &rows);

    int rowCount() const override { return rowCount_; }
    bool next() override;
    QVariant value(const QString &column) const override;

private:
    // A column the report asked for, found once: its field in the listing (-1 for none), and
    // whether it reads as a number.
    struct Column {
        QString name;
        int field;
        bool number;
    };
    const Column &column(const QString &name) const;

    Query &query_;
    const std::vector<QByteArray> &rows_;
    std::size_t next_ = 0;
    int rowCount_;
    mutable std::vector<Column> columns_;
};

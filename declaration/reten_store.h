#pragma once

#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "report/row_source.h"
#include "withholdings/withholding.h"

#include <QString>

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

// Table RETEN through the window's three database components: the connection `Conector`,
// its one transaction `tran` (work ended by commit retaining) and the query `t_reten`, which
// carries one statement at a time. Every statement attaches and starts the transaction first
// when that has not happened yet, so a store that could not connect tries again.
class RetenStore {
public:
    static inline const QString UserName = QStringLiteral("SYSDBA");
    static inline const QString Password = QStringLiteral("vordelsam");

    explicit RetenStore(const QString &databasePath);

    // Attaches and starts the transaction; a failure is dropped and leaves the store
    // disconnected. False when it failed.
    bool connect() noexcept;

    // Deletes every row and commits, then runs the same statement once more as a query.
    void clear();
    // Inserts one row; JID is given by the database.
    void insert(const RetenRow &row);
    void commit();
    // Opens all rows ordered by JID on t_reten; they stay open until the next statement.
    void openListing();

    Connection Conector;
    Transaction tran;
    Query t_reten;

private:
    // Makes the query inactive and gives it this statement as its only text.
    void prepare(const QString &sql);
};

// The open listing of t_reten as the report's rows. IMPORTE and JID read as numbers, every
// other column as the database returns its text. The number of rows is told by the caller,
// who inserted them, so that the progress can be shown.
class RetenRowSource : public RowSource {
public:
    RetenRowSource(Query &query, int rowCount);

    int rowCount() const override { return rowCount_; }
    bool next() override;
    QVariant value(const QString &column) const override;

private:
    Query &query_;
    int rowCount_;
};

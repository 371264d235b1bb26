#include "declaration/reten_store.h"

#include "common/errors.h"
#include "common/numbers.h"
#include "common/text_helpers.h"
#include "db/database_errors.h"

#include <QDir>

namespace {
const QString DeleteAll = QStringLiteral("delete from reten");
const QString InsertRow = QStringLiteral(
    "insert into  reten (nroCom,FECha,importe,razon,Cuit,periodo) values(:nc,:FE,:iM,:Ra,:Cu,:Pe)");
const QString Listing = QStringLiteral("select * from  reten order by Jid");
const QString OptionalTables = QStringLiteral("select trim(rdb$relation_name) from rdb$relations where "
                                              "rdb$relation_name in ('RETEN_LOCK', 'DECLARACION')");
const QString NextVersion =
    QStringLiteral("select coalesce(max(version), 0) + 1 from declaracion where base = :base");
const QString EarlierOfFile = QStringLiteral("select first 1 id, archivo, listado, cast(confirmada as "
                                             "varchar(24)) from declaracion where base = :base "
                                             "and equipo = :equipo and archivo = :archivo order by id desc");
const QString MoveRecord =
    QStringLiteral("update declaracion set archivo = :archivo, listado = :listado where id = :id");
const QString InsertRecord = QStringLiteral(
    "insert into declaracion (legajo, anio, mes, base, version, confirmada, filas, total, sha256, bytes, "
    "agente, equipo, archivo, listado) values (:legajo, :anio, :mes, :base, :version, :confirmada, :filas, "
    ":total, :sha256, :bytes, :agente, :equipo, :archivo, :listado) returning id");
const QString DeleteRecord = QStringLiteral("delete from declaracion where id = :id");
const QString TakeLock = QStringLiteral("update reten_lock set id = id");
const QString PutLockBack = QStringLiteral("insert into reten_lock (id) values (1)");

// Holds the one row of RETEN_LOCK in the query's transaction; a row that was deleted is put back
// (it counts as held until that transaction ends). Another program's hold is refused at once.
void holdLockRow(Query &q)
{
    try {
        q.setSql(TakeLock);
        q.execute();
        if (q.rowsAffected() > 0)
            return;
        q.setSql(PutLockBack);
        q.execute();
    } catch (const DatabaseError &e) {
        if (isHeldByAnother(e))
            throw DatabaseError(RetenStore::busyText(), e.codes());
        if (q.sql() == PutLockBack)
            throw DatabaseError(RetenStore::missingLockText() + QLatin1Char('\n') + e.message(), e.codes());
        throw;
    }
}
} // namespace

QString RetenStore::busyText()
{
    return QStringLiteral("En este momento se está generando otra declaración sobre la misma base de datos "
                          "(en otra ventana o en otro puesto). Espere un momento y presione CONFIRMA "
                          "nuevamente.");
}

QString RetenStore::missingLockText()
{
    return QStringLiteral(
        "A la tabla RETEN_LOCK de la base de datos le falta su fila, y este usuario no puede "
        "volver a ponerla: sin ella dos declaraciones podrían mezclarse. Pida al "
        "administrador que ejecute: insert into RETEN_LOCK values (1); commit;");
}

RetenRow retenRow(const Withholding &row, const QString &periodo)
{
    return RetenRow{TrimBlanks(row.receipt),
                    TrimBlanks(row.date),
                    static_cast<double>(ParseDecimal(TrimBlanks(row.withheldAmount))),
                    TrimBlanks(row.companyName),
                    TrimBlanks(row.supplierCuit),
                    periodo};
}

RetenStore::RetenStore(const QString &databasePath, const QString &userName, const QString &password)
    : Conector(databasePath, userName, password), tran(Conector, Transaction::Mode::ReadCommitted),
      t_reten(tran), lockTran_(Conector, Transaction::Mode::ReadCommitted), lock_(lockTran_)
{
    t_reten.setSql(QStringLiteral("select  *  from RETEN"));
}

bool RetenStore::connect() noexcept
{
    try {
        Conector.open();
        tran.start();
        tran.commit();
        return true;
    } catch (const std::exception &) {
        // The window opens in any case; the first generation reports what is wrong.
        return false;
    }
}

void RetenStore::prepare(const QString &sql)
{
    t_reten.close();
    t_reten.setSql(sql);
}

void RetenStore::clear()
{
    try {
        // The lock is taken inside the clearing's own work, so it ends with its commit and
        // costs no transaction of its own.
        if (hasLockTable()) {
            t_reten.close();
            holdLockRow(t_reten);
        }
        prepare(DeleteAll);
        t_reten.execute();
        tran.commitRetaining();
    } catch (...) {
        // Nobody waits on a lock or a deletion left behind.
        t_reten.close();
        try {
            tran.rollback();
        } catch (const std::exception &) {
            // The attachment is gone, and its work with it.
        }
        throw;
    }
    prepare(DeleteAll);
    t_reten.open();
}

void RetenStore::insert(const RetenRow &row)
{
    prepare(InsertRow);
    t_reten.setText(QStringLiteral("nC"), row.nroCom);
    t_reten.setText(QStringLiteral("FE"), row.fecha);
    t_reten.setDouble(QStringLiteral("Im"), row.importe);
    t_reten.setText(QStringLiteral("Ra"), row.razon);
    t_reten.setText(QStringLiteral("Cu"), row.cuit);
    t_reten.setText(QStringLiteral("Pe"), row.periodo);
    t_reten.execute();
}

void RetenStore::checkTables()
{
    tran.start();
    if (tablesCheckedFor_ == Conector.generation())
        return;
    prepare(OptionalTables);
    t_reten.open();
    hasLock_ = hasRecord_ = false;
    while (t_reten.next()) {
        const QString table = t_reten.text(0);
        hasLock_ = hasLock_ || table == QLatin1String("RETEN_LOCK");
        hasRecord_ = hasRecord_ || table == QLatin1String("DECLARACION");
    }
    t_reten.close();
    tablesCheckedFor_ = Conector.generation();
}

bool RetenStore::hasLockTable()
{
    checkTables();
    return hasLock_;
}

bool RetenStore::recordsDeclarations()
{
    checkTables();
    return hasRecord_;
}

void RetenStore::record(FiledDeclaration &d, const KeptDeclaration &kept)
{
    try {
        prepare(NextVersion);
        t_reten.setText(QStringLiteral("base"), d.baseName);
        t_reten.open();
        d.version = t_reten.next() ? int(t_reten.number(0)) : 1;

        prepare(EarlierOfFile);
        t_reten.setText(QStringLiteral("base"), d.baseName);
        t_reten.setUnicodeText(QStringLiteral("equipo"), d.host);
        t_reten.setUnicodeText(QStringLiteral("archivo"), d.file);
        t_reten.open();
        if (t_reten.next()) {
            movedId_ = qint64(t_reten.number(0));
            movedFile_ = t_reten.text(1);
            movedListing_ = t_reten.text(2);
            QString file = kept.filePlace;
            QString listing = kept.listingPlace;
            if (!kept.keptAnything()) {
                // Gone before this generation: its row names a place where nothing is, rather than
                // the new declaration's file.
                const QString stem =
                    keptStem(d.baseName, QDateTime::fromString(t_reten.text(3).left(19), Qt::ISODate));
                const QDir folder(keptFolder(d.file));
                file = folder.filePath(stem + QStringLiteral(".txt"));
                listing = folder.filePath(stem + QStringLiteral(".pdf"));
            }
            prepare(MoveRecord);
            t_reten.setUnicodeText(QStringLiteral("archivo"), file);
            t_reten.setUnicodeText(QStringLiteral("listado"), listing);
            t_reten.setDouble(QStringLiteral("id"), double(movedId_));
            t_reten.execute();
        }

        prepare(InsertRecord);
        t_reten.setText(QStringLiteral("legajo"), d.legajo.left(20));
        t_reten.setDouble(QStringLiteral("anio"), d.year);
        t_reten.setDouble(QStringLiteral("mes"), d.month);
        t_reten.setText(QStringLiteral("base"), d.baseName);
        t_reten.setDouble(QStringLiteral("version"), d.version);
        t_reten.setText(QStringLiteral("confirmada"),
                        d.confirmedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        t_reten.setDouble(QStringLiteral("filas"), d.rows);
        t_reten.setDouble(QStringLiteral("total"), d.total);
        t_reten.setText(QStringLiteral("sha256"), QString::fromLatin1(d.sha256));
        t_reten.setDouble(QStringLiteral("bytes"), double(d.bytes));
        t_reten.setUnicodeText(QStringLiteral("agente"), d.agentName.left(60));
        t_reten.setUnicodeText(QStringLiteral("equipo"), d.host.left(255));
        t_reten.setUnicodeText(QStringLiteral("archivo"), d.file);
        t_reten.setUnicodeText(QStringLiteral("listado"), d.listing);
        t_reten.open();
        if (t_reten.next())
            recordedId_ = d.id = qint64(t_reten.number(0));
        t_reten.close();
    } catch (const DatabaseError &e) {
        t_reten.close();
        if (isPermissionRefused(e))
            throw DatabaseError(declarationGrantsText() + QLatin1Char('\n') + e.message(), e.codes());
        throw;
    }
}

void RetenStore::takeLock()
{
    if (hasLockTable())
        holdLockRow(lock_);
}

void RetenStore::release() noexcept
{
    lock_.close();
    try {
        lockTran_.rollback();
    } catch (const std::exception &) {
        // The attachment is gone, and the lock with it.
    }
}

void RetenStore::reserve()
{
    recordedId_ = movedId_ = 0;
    takeLock();
    try {
        prepare(DeleteAll);
        t_reten.execute();
    } catch (...) {
        release();
        throw;
    }
}

void RetenStore::commit()
{
    t_reten.close();
    tran.commit();
}

void RetenStore::finish() noexcept
{
    t_reten.close();
    try {
        tran.commit();
    } catch (const std::exception &) {
        // The attachment is gone; the next statement attaches again.
    }
    release();
}

void RetenStore::forget() noexcept
{
    try {
        prepare(DeleteAll);
        t_reten.execute();
        if (recordedId_) {
            prepare(DeleteRecord);
            t_reten.setDouble(QStringLiteral("id"), double(recordedId_));
            t_reten.execute();
        }
        if (movedId_) {
            prepare(MoveRecord);
            t_reten.setUnicodeText(QStringLiteral("archivo"), movedFile_);
            t_reten.setUnicodeText(QStringLiteral("listado"), movedListing_);
            t_reten.setDouble(QStringLiteral("id"), double(movedId_));
            t_reten.execute();
        }
        recordedId_ = movedId_ = 0;
        t_reten.close();
        tran.commit();
    } catch (const std::exception &) {
        t_reten.close();
        try {
            tran.rollback();
        } catch (const std::exception &) {
        }
    }
}

void RetenStore::abandon() noexcept
{
    t_reten.close();
    try {
        tran.rollback();
    } catch (const std::exception &) {
        // The attachment is gone, and its work with it.
    }
    release();
}

void RetenStore::openListing()
{
    t_reten.close();
    lock_.setSql(Listing);
    lock_.open();
}

RetenRowSource::RetenRowSource(Query &query, int rowCount) : query_(query), rowCount_(rowCount) {}

bool RetenRowSource::next()
{
    return query_.isActive() && query_.next();
}

QVariant RetenRowSource::value(const QString &column) const
{
    const int field = query_.fieldIndex(column);
    if (field < 0)
        return {};
    if (query_.isNull(field))
        return {};
    const QString name = query_.fieldName(field);
    if (name.compare(QLatin1String("IMPORTE"), Qt::CaseInsensitive) == 0 ||
        name.compare(QLatin1String("JID"), Qt::CaseInsensitive) == 0)
        return query_.number(field);
    return query_.text(field);
}

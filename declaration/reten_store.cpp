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
const QString EarlierOfFile = QStringLiteral("select first 1 id, archivo, listado, cast(confirmada as "
                                             "varchar(24)) from declaracion where base = :base "
                                             "and equipo = :equipo and archivo = :archivo order by id desc");
// The newest earlier row of the file pointed at its kept copy, in one statement.
const QString MoveEarlier = QStringLiteral(
    "update declaracion set archivo = :kept, listado = :keptlisting where id = (select first 1 id from "
    "declaracion where base = :base and equipo = :equipo and archivo = :archivo order by id desc) "
    "returning id, old.archivo, old.listado");
const QString MoveRecord =
    QStringLiteral("update declaracion set archivo = :archivo, listado = :listado where id = :id");
// The version is the next of the file name's, counted in the same statement.
const QString InsertRecord = QStringLiteral(
    "insert into declaracion (legajo, anio, mes, base, version, confirmada, filas, total, sha256, bytes, "
    "agente, equipo, archivo, listado) values (:legajo, :anio, :mes, :base, (select coalesce(max(version), "
    "0) "
    "+ 1 from declaracion where base = :base), :confirmada, :filas, :total, :sha256, :bytes, :agente, "
    ":equipo, :archivo, :listado) returning id, version");
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
      t_reten(tran), lockTran_(Conector, Transaction::Mode::ReadCommitted), lock_(lockTran_),
      earlierOfFile_(tran), moveRecord_(tran), insertRecord_(tran)
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

void RetenStore::record(FiledDeclaration &d, const KeptDeclaration &kept,
                        const std::function<QByteArray()> &fingerprint)
{
    try {
        Query &earlier = earlierOfFile_;
        if (kept.keptAnything()) {
            earlier.setSql(MoveEarlier);
            earlier.setUnicodeText(QStringLiteral("kept"), kept.filePlace);
            earlier.setUnicodeText(QStringLiteral("keptlisting"), kept.listingPlace);
        } else {
            earlier.setSql(EarlierOfFile);
        }
        earlier.setText(QStringLiteral("base"), d.baseName);
        earlier.setUnicodeText(QStringLiteral("equipo"), d.host);
        earlier.setUnicodeText(QStringLiteral("archivo"), d.file);
        earlier.open();
        if (earlier.next() && !earlier.isNull(0)) {
            movedId_ = qint64(earlier.number(0));
            movedFile_ = earlier.text(1);
            movedListing_ = earlier.text(2);
            if (!kept.keptAnything()) {
                // Gone before this generation: its row names a place where nothing is, rather than
                // the new declaration's file.
                const QString stem =
                    keptStem(d.baseName, QDateTime::fromString(earlier.text(3).left(19), Qt::ISODate));
                const QDir folder(keptFolder(d.file));
                earlier.close();
                moveRecorded(movedId_, folder.filePath(stem + QStringLiteral(".txt")),
                             folder.filePath(stem + QStringLiteral(".pdf")));
            }
        }
        earlier.close();

        if (fingerprint)
            d.sha256 = fingerprint();
        Query &insert = insertRecord_;
        insert.setSql(InsertRecord);
        insert.setText(QStringLiteral("legajo"), d.legajo.left(20));
        insert.setDouble(QStringLiteral("anio"), d.year);
        insert.setDouble(QStringLiteral("mes"), d.month);
        insert.setText(QStringLiteral("base"), d.baseName);
        insert.setText(QStringLiteral("confirmada"),
                       d.confirmedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        insert.setDouble(QStringLiteral("filas"), d.rows);
        insert.setDouble(QStringLiteral("total"), d.total);
        insert.setText(QStringLiteral("sha256"), QString::fromLatin1(d.sha256));
        insert.setDouble(QStringLiteral("bytes"), double(d.bytes));
        insert.setUnicodeText(QStringLiteral("agente"), d.agentName.left(60));
        insert.setUnicodeText(QStringLiteral("equipo"), d.host.left(255));
        insert.setUnicodeText(QStringLiteral("archivo"), d.file);
        insert.setUnicodeText(QStringLiteral("listado"), d.listing);
        insert.open();
        if (insert.next()) {
            recordedId_ = d.id = qint64(insert.number(0));
            d.version = int(insert.number(1));
        }
        insert.close();
    } catch (const DatabaseError &e) {
        for (Query *q : {&earlierOfFile_, &moveRecord_, &insertRecord_})
            q->close();
        if (isPermissionRefused(e))
            throw DatabaseError(declarationGrantsText() + QLatin1Char('\n') + e.message(), e.codes());
        throw;
    }
}

void RetenStore::moveRecorded(qint64 id, const QString &file, const QString &listing)
{
    moveRecord_.setSql(MoveRecord);
    moveRecord_.setUnicodeText(QStringLiteral("archivo"), file);
    moveRecord_.setUnicodeText(QStringLiteral("listado"), listing);
    moveRecord_.setDouble(QStringLiteral("id"), double(id));
    moveRecord_.execute();
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
        if (movedId_)
            moveRecorded(movedId_, movedFile_, movedListing_);
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

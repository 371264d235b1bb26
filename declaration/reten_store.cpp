#include "declaration/reten_store.h"

#include "common/codepage.h"
#include "common/errors.h"
#include "common/numbers.h"
#include "common/text_helpers.h"
#include "db/database_errors.h"

#include <QDir>
#include <QHash>

#include <algorithm>

namespace {
const QString DeleteAll = QStringLiteral("delete from reten");
// Each insert returns the row as stored, every column of RETEN, for the listing and the register.
constexpr int ReturnedRazon = 4;
constexpr int ReturnedCuit = 5;
const QString InsertRow = QStringLiteral(
    "insert into  reten (nroCom,FECha,importe,razon,Cuit,periodo) values(:nc,:FE,:iM,:Ra,:Cu,:Pe) "
    "returning JID, NROCOM, FECHA, IMPORTE, RAZON, CUIT, PERIODO");
const QString HasTable = QStringLiteral("select count(*) from rdb$relations where rdb$relation_name = :name");
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
      supplierTran_(Conector, Transaction::Mode::ReadCommitted), suppliers_(supplierTran_),
      earlierOfFile_(tran), moveRecord_(tran), insertRecord_(tran), lockRow_(tran), insertRow_(tran),
      learnFromReten_(tran), countedInPeriod_(tran), uncount_(tran), forgetCounted_(tran)
{
    t_reten.setSql(QStringLiteral("select  *  from RETEN"));
    insertRow_.setSql(InsertRow);
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
            holdLockRow(lockRow_);
        }
        prepare(DeleteAll);
        t_reten.execute();
        // A full commit, not a retaining one: the statement run again below then finds the
        // deleted rows older than every transaction and clears them away now, while the clerk
        // is asked; a retaining commit keeps them until the generation's own commit, and the
        // listing, the first to read RETEN after it, would pay for them.
        tran.commit();
    } catch (...) {
        // Nobody waits on a lock or a deletion left behind.
        lockRow_.close();
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
    // The lock's own transaction starts now, while the clerk is asked: a start writes the
    // database's header page, a wait the Yes then does not have. A failure is reserve()'s to tell.
    if (hasLockTable()) {
        try {
            lockTran_.start();
        } catch (const std::exception &) {
        }
    }
}

void RetenStore::insert(const RetenRow &row)
{
    insertRow_.setText(QStringLiteral("nC"), row.nroCom);
    insertRow_.setText(QStringLiteral("FE"), row.fecha);
    insertRow_.setDouble(QStringLiteral("Im"), row.importe);
    insertRow_.setText(QStringLiteral("Ra"), row.razon);
    insertRow_.setText(QStringLiteral("Cu"), row.cuit);
    insertRow_.setText(QStringLiteral("Pe"), row.periodo);
    insertRow_.open();
    if (insertRow_.next()) {
        insertedRows_.push_back(insertRow_.rowBytes());
        noteInsertedSupplier(insertRow_.textBytes(ReturnedCuit), insertRow_.textBytes(ReturnedRazon));
    }
}

bool RetenStore::hasTable(const QString &name)
{
    Conector.open();
    if (tablesCheckedFor_ != Conector.generation()) {
        tables_.clear();
        tablesCheckedFor_ = Conector.generation();
    }
    const auto known = tables_.constFind(name);
    if (known != tables_.constEnd())
        return *known;
    // A short read of its own, which leaves the generation's statement and work alone.
    Transaction look(Conector, Transaction::Mode::ReadCommitted);
    Query q(look);
    q.setSql(HasTable);
    q.setText(QStringLiteral("name"), name);
    q.open();
    const bool exists = q.next() && q.number(0) > 0;
    q.close();
    look.rollback(); // read only: nothing to commit
    tables_.insert(name, exists);
    return exists;
}

bool RetenStore::recordsDeclarations()
{
    return hasTable(QStringLiteral("DECLARACION"));
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
    insertedRows_.clear();
    insertedRows_.shrink_to_fit();
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
    insertedRows_.clear();
    insertedSuppliers_.clear();
    supplierIndex_.clear();
    lastSupplier_ = -1;
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

bool RetenStore::forget() noexcept
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
        return true;
    } catch (const std::exception &) {
        t_reten.close();
        try {
            tran.rollback();
        } catch (const std::exception &) {
        }
        return false;
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

RetenRowSource RetenStore::insertedRows()
{
    return RetenRowSource(insertRow_, insertedRows_);
}

RetenRowSource::RetenRowSource(Query &query, const std::vector<QByteArray> &rows)
    : query_(query), rows_(rows), rowCount_(int(rows.size()))
{
}

bool RetenRowSource::next()
{
    if (next_ >= rows_.size())
        return false;
    query_.showRow(rows_[next_++]);
    return true;
}

const RetenRowSource::Column &RetenRowSource::column(const QString &name) const
{
    // The report asks for the same few columns on every row: each is looked up in the
    // listing's columns once.
    for (const Column &c : columns_) {
        if (c.name == name)
            return c;
    }
    const int field = query_.fieldIndex(name);
    const QString fieldName = query_.fieldName(field);
    const bool number = fieldName.compare(QLatin1String("IMPORTE"), Qt::CaseInsensitive) == 0 ||
                        fieldName.compare(QLatin1String("JID"), Qt::CaseInsensitive) == 0;
    columns_.push_back(Column{name, field, number});
    return columns_.back();
}

QVariant RetenRowSource::value(const QString &columnName) const
{
    const Column &c = column(columnName);
    if (c.field < 0 || query_.isNull(c.field))
        return {};
    if (c.number)
        return query_.number(c.field);
    return query_.text(c.field);
}

namespace {
// Every supplier of RETEN's rows, with the name of its last row that has one; a supplier that
// never comes with a name is not added. For a database made before the counts by period, which
// leaves the counts as they are.
const QString LearnFromReten =
    QStringLiteral("merge into SUJETO s "
                   "using (select trim(g.CUIT) as CUIT, trim(x.RAZON) as RAZON "
                   "       from (select CUIT, max(iif(trim(RAZON) <> '', JID, null)) as LAST "
                   "             from RETEN where trim(CUIT) <> '' group by CUIT) g "
                   "       left join RETEN x on x.JID = g.LAST) n "
                   "on s.CUIT = n.CUIT "
                   "when matched then update set RAZON = coalesce(n.RAZON, s.RAZON), "
                   "  PERIODO = iif(s.PERIODO is null or s.PERIODO < :pe, :pe, s.PERIODO) "
                   "when not matched and n.RAZON is not null then insert (CUIT, RAZON, PERIODO, CANTIDAD) "
                   "  values (n.CUIT, n.RAZON, :pe, 0)");
// A period declared again replaces its counts. Only what changed is written: the suppliers of
// the earlier declaration that this one no longer has are found by the program (the engine
// would compare every pair), and the counts kept by period are rewritten where they differ.
const QString CountedInPeriod =
    QStringLiteral("select CUIT, CANTIDAD from SUJETO_PERIODO where PERIODO = :pe");
const QString UncountOne = QStringLiteral("update SUJETO set CANTIDAD = CANTIDAD - :n where CUIT = :cu");
const QString ForgetOne = QStringLiteral("delete from SUJETO_PERIODO where PERIODO = :pe and CUIT = :cu");
// One supplier of the declaration's rows, with how many rows it has and the name of its last
// row that has one (null without). A registered supplier takes that name (when there is one)
// and the later of its periods, and its count gains the rows less what the period counted
// before; a new one is registered only with a name. A registered one then has its count kept
// for the period, written only where it changed. The block's variables are written ": name",
// the colon apart, so that they are not taken for the statement's own parameters.
const QString LearnAndKeepPeriod = QStringLiteral(
    "execute block (cu varchar(20) = :cu, n bigint = :n, razon varchar(60) = :razon, pe char(7) = :pe) as "
    "  declare old bigint; declare registered varchar(20); "
    "begin "
    "  select CANTIDAD from SUJETO_PERIODO where PERIODO = : pe and CUIT = : cu into : old; "
    "  update SUJETO set RAZON = coalesce(: razon, RAZON), CANTIDAD = CANTIDAD + : n - coalesce(: old, 0), "
    "    PERIODO = iif(PERIODO is null or PERIODO < : pe, : pe, PERIODO) "
    "    where CUIT = : cu returning CUIT into : registered; "
    "  if (registered is null and razon is not null) then "
    "  begin "
    "    insert into SUJETO (CUIT, RAZON, PERIODO, CANTIDAD) values (: cu, : razon, : pe, : n); "
    "    registered = cu; "
    "  end "
    "  if (registered is not null) then "
    "  begin "
    "    if (old is null) then "
    "      insert into SUJETO_PERIODO (CUIT, PERIODO, CANTIDAD) values (: registered, : pe, : n); "
    "    else if (old <> n) then "
    "      update SUJETO_PERIODO set CANTIDAD = : n where PERIODO = : pe and CUIT = : registered; "
    "  end "
    "end");
const QString PeriodCounts = QStringLiteral("SUJETO_PERIODO");
// An import or a reload teaches names and periods; only a declaration made counts.
const QString LearnOne = QStringLiteral(
    "merge into SUJETO s "
    "using (select cast(:cu as varchar(20)) as CUIT, cast(:ra as varchar(60)) as RAZON from rdb$database) n "
    "on s.CUIT = n.CUIT "
    "when matched then update set RAZON = n.RAZON, "
    "  PERIODO = iif(s.PERIODO is null or s.PERIODO < :pe, :pe, s.PERIODO) "
    "when not matched then insert (CUIT, RAZON, PERIODO, CANTIDAD) values (n.CUIT, n.RAZON, :pe, 0)");
const QString ReadSuppliers = QStringLiteral("select CUIT, RAZON from SUJETO where trim(RAZON) <> ''");
const QString Sujeto = QStringLiteral("SUJETO");
} // namespace

bool RetenStore::hasSupplierTable()
{
    return hasTable(Sujeto);
}

void RetenStore::runWithPeriod(Query &q, const QString &sql, const QString &period)
{
    q.setSql(sql);
    q.setText(QStringLiteral("pe"), period);
    q.execute();
}

void RetenStore::uncountVanishedSuppliers(const QString &period)
{
    QHash<QString, double> counted;
    Query &inPeriod = countedInPeriod_;
    inPeriod.setSql(CountedInPeriod);
    inPeriod.setText(QStringLiteral("pe"), period);
    inPeriod.open();
    while (inPeriod.next())
        counted.insert(inPeriod.text(0).trimmed(), inPeriod.number(1));
    inPeriod.close();
    if (counted.isEmpty())
        return;
    // RETEN holds this generation's rows alone: the CUITs it declares are those inserted.
    for (const InsertedSupplier &supplier : insertedSuppliers_)
        counted.remove(supplier.cuit);
    Query &uncount = uncount_, &forget = forgetCounted_;
    uncount.setSql(UncountOne);
    forget.setSql(ForgetOne);
    for (auto vanished = counted.cbegin(); vanished != counted.cend(); ++vanished) {
        uncount.setDouble(QStringLiteral("n"), vanished.value());
        uncount.setText(QStringLiteral("cu"), vanished.key());
        uncount.execute();
        forget.setText(QStringLiteral("pe"), period);
        forget.setText(QStringLiteral("cu"), vanished.key());
        forget.execute();
    }
}

namespace {
// What the engine's TRIM takes off: spaces, and nothing else (TrimBlanks takes every control
// character too).
QByteArrayView trimSpaces(QByteArrayView text, bool leading)
{
    qsizetype begin = 0, end = text.size();
    while (leading && begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    return text.sliced(begin, end - begin);
}

QString trimSpaces(const QString &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}
} // namespace

void RetenStore::noteInsertedSupplier(QByteArrayView storedCuit, QByteArrayView storedRazon)
{
    // A reading of RETEN grouped by CUIT, "where trim(CUIT) <> ''", each group with its rows
    // and the last of them whose name is not blank. The engine compares CHAR values byte by
    // byte without their trailing blanks; a supplier's rows often follow one another, and only
    // a new supplier costs more than a comparison.
    const QByteArrayView group = trimSpaces(storedCuit, false);
    const QByteArrayView cuit = trimSpaces(group, true);
    if (cuit.isEmpty())
        return;
    qsizetype index = lastSupplier_;
    if (index < 0 || QByteArrayView(insertedSuppliers_[index].group) != group) {
        const QByteArray key = group.toByteArray();
        const auto found = supplierIndex_.constFind(key);
        if (found != supplierIndex_.constEnd()) {
            index = *found;
        } else {
            index = qsizetype(insertedSuppliers_.size());
            InsertedSupplier supplier;
            supplier.group = key;
            supplier.order = storedCuit.toByteArray();
            supplier.cuit = trimSpaces(insertRow_.text(ReturnedCuit));
            insertedSuppliers_.push_back(std::move(supplier));
            supplierIndex_.insert(key, index);
        }
        lastSupplier_ = index;
    }
    InsertedSupplier &supplier = insertedSuppliers_[index];
    ++supplier.rows;
    if (!trimSpaces(storedRazon, true).isEmpty())
        supplier.namedRow = qsizetype(insertedRows_.size()) - 1;
}

void RetenStore::learnInsertedSuppliers(const QString &period)
{
    // In the order in which the engine would have grouped them.
    std::vector<const InsertedSupplier *> suppliers;
    suppliers.reserve(insertedSuppliers_.size());
    for (const InsertedSupplier &supplier : insertedSuppliers_)
        suppliers.push_back(&supplier);
    std::sort(suppliers.begin(), suppliers.end(),
              [](const InsertedSupplier *a, const InsertedSupplier *b) { return a->order < b->order; });
    Query &learn = learnFromReten_;
    learn.setSql(LearnAndKeepPeriod);
    for (const InsertedSupplier *supplier : suppliers) {
        learn.setText(QStringLiteral("cu"), supplier->cuit);
        learn.setDouble(QStringLiteral("n"), double(supplier->rows));
        if (supplier->namedRow >= 0) {
            insertRow_.showRow(insertedRows_[std::size_t(supplier->namedRow)]);
            learn.setText(QStringLiteral("razon"), trimSpaces(insertRow_.text(ReturnedRazon)));
        } else {
            learn.setNull(QStringLiteral("razon"));
        }
        learn.setText(QStringLiteral("pe"), period);
        learn.execute();
    }
}

void RetenStore::learnSuppliersOfReten(const QString &period)
{
    if (!hasSupplierTable())
        return;
    // Without the counts by period (a database made before them) the counts are left as they
    // are: adding a period declared again would count its withholdings twice.
    const bool counting = hasTable(PeriodCounts);
    try {
        if (counting) {
            uncountVanishedSuppliers(period);
            learnInsertedSuppliers(period);
        } else {
            runWithPeriod(learnFromReten_, LearnFromReten, period);
        }
    } catch (const DatabaseError &e) {
        for (Query *q : {&countedInPeriod_, &uncount_, &forgetCounted_, &learnFromReten_})
            q->close();
        if (isPermissionRefused(e))
            throw DatabaseError(registerGrantsText() + QLatin1Char('\n') + e.message(), e.codes());
        throw;
    }
}

QString RetenStore::registerGrantsText()
{
    return QStringLiteral(
        "Este usuario de la base de datos no puede actualizar el registro de proveedores (tabla "
        "SUJETO), y la declaración no se generó (la anterior sigue como estaba). Pida al "
        "administrador que ejecute, con el usuario con que usted entra a la base: grant "
        "select, insert, update on SUJETO to user RETENCIONES; grant select, insert, update, "
        "delete on SUJETO_PERIODO to user RETENCIONES; commit;");
}

void RetenStore::learnSuppliers(const QList<SupplierCount> &suppliers, const QString &period)
{
    if (suppliers.isEmpty() || !hasSupplierTable())
        return;
    Transaction work(Conector, Transaction::Mode::ReadCommitted);
    Query q(work);
    try {
        if (hasLockTable())
            holdLockRow(q);
        q.setSql(LearnOne);
        for (const SupplierCount &s : suppliers) {
            q.setText(QStringLiteral("cu"), s.cuit);
            q.setText(QStringLiteral("ra"), s.name);
            q.setText(QStringLiteral("pe"), period);
            q.execute();
        }
        q.close();
        work.commit();
    } catch (...) {
        q.close();
        try {
            work.rollback();
        } catch (const std::exception &) {
        }
        throw;
    }
}

void RetenStore::openSuppliers()
{
    closeSuppliers();
    if (!hasSupplierTable())
        return;
    suppliers_.setSql(ReadSuppliers);
    suppliers_.open();
}

QList<Supplier> RetenStore::nextSuppliers(int count)
{
    QList<Supplier> read;
    while (read.size() < count && suppliers_.isActive() && suppliers_.next())
        read.append({suppliers_.text(0).trimmed(), suppliers_.text(1)});
    if (read.size() < count)
        closeSuppliers();
    return read;
}

void RetenStore::closeSuppliers() noexcept
{
    suppliers_.close();
    if (!supplierTran_.isActive())
        return;
    try {
        supplierTran_.rollback(); // read only: nothing to commit
    } catch (const std::exception &) {
        // An attachment that went away took it along.
    }
}

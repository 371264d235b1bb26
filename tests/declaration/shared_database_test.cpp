#include "declaration/reten_store.h"
#include "tests/db/store_fixture.h"

#include "common/errors.h"
#include "db/query.h"
#include "tests/support/qt_print.h"

#include <QFileInfo>
#include <QProcess>

#include <iostream>
#include <memory>
#include <random>

namespace {
// The store of a second program, driven line by line (tests/declaration/peer/reten_peer.cpp).
class Peer {
public:
    explicit Peer(const QString &database)
    {
        process_.setProgram(QStringLiteral(RETEN_PEER));
        process_.setArguments({database});
        process_.start();
        started_ = process_.waitForStarted(10000);
    }
    ~Peer()
    {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(10000))
            process_.kill();
        process_.waitForFinished(10000);
    }

    // "ok", or "error" followed by the database's first line.
    QString run(const QString &command)
    {
        if (!started_)
            return QStringLiteral("not started");
        process_.write(command.toUtf8() + '\n');
        while (!process_.canReadLine()) {
            if (!process_.waitForReadyRead(20000))
                return QStringLiteral("no answer");
        }
        return QString::fromUtf8(process_.readLine()).trimmed();
    }

private:
    QProcess process_;
    bool started_ = false;
};

QString runHere(RetenStore &store, const QString &command)
{
    const QString verb = command.section(QLatin1Char(' '), 0, 0);
    try {
        if (verb == QLatin1String("clear"))
            store.clear();
        else if (verb == QLatin1String("reserve"))
            store.reserve();
        else if (verb == QLatin1String("insert"))
            store.insert(RetenRow{command.section(QLatin1Char(' '), 1), QStringLiteral("01/03/2017"), 1,
                                  QStringLiteral("HERE"), QStringLiteral("20-12345678-9"),
                                  QStringLiteral("3/2017")});
        else if (verb == QLatin1String("commit"))
            store.commit();
        else if (verb == QLatin1String("finish"))
            store.finish();
        else if (verb == QLatin1String("abandon"))
            store.abandon();
        else if (verb == QLatin1String("learn"))
            store.learnSuppliersOfReten(QStringLiteral("2017-03"));
        return QStringLiteral("ok");
    } catch (const AppError &e) {
        return QStringLiteral("error ") + e.message().section(QLatin1Char('\n'), 0, 0);
    }
}

class SharedDatabase : public StoreTest {
public:
    // RETEN's committed receipt numbers in JID order, as a third program sees them.
    QStringList committed(const QString &database)
    {
        Connection connection(database, User, Password);
        Transaction transaction(connection);
        Query q(transaction);
        q.setSql(QStringLiteral("select nrocom from reten order by jid"));
        q.open();
        QStringList rows;
        while (q.next())
            rows << q.text(0).trimmed();
        return rows;
    }
    void commitRow(const QString &receipt)
    {
        transaction_->executeImmediate(
            QStringLiteral("insert into reten (nrocom) values ('%1')").arg(receipt));
        transaction_->commitRetaining();
    }
};

// Everything but the variable that points this process's client at its own configuration:
// the command-line tools run as a user would start them.
QProcessEnvironment toolEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("FIREBIRD"));
    return environment;
}

struct ToolRun {
    int exitCode;
    QString output;
};

ToolRun runTool(const QString &program, const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.setProcessEnvironment(toolEnvironment());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAll())};
}
} // namespace

// Two programs generate on one database at overlapping times ("A" this process, "B" another).
// RETEN never ends with rows of both: a generation that finds another writing is refused before
// it writes (and may confirm again), otherwise the later one replaces the earlier whole.
TEST_F(SharedDatabase, TwoGenerationsAtOnceNeverMixTheirRows)
{
    // Steps in order, "who:command"; a "!" at the end: the database refuses it.
    const struct {
        const char *name;
        const char *steps;
        QStringList rows;
    } cases[] = {
        {"B confirms while A writes, then again after it (A is exporting its listing at the third)",
         "A:clear A:reserve A:insert_a1 B:clear! B:reserve! A:insert_a2 A:learn A:commit B:clear! A:finish "
         "B:clear B:reserve B:insert_b1 B:learn B:commit B:finish",
         {"b1"}},
        {"both cleared, one writes after the other",
         "A:clear B:clear A:reserve A:insert_a1 A:commit A:finish B:reserve B:insert_b1 B:insert_b2 B:commit "
         "B:finish",
         {"b1", "b2"}},
        {"both cleared, the one that answered first writes first (and teaches the register)",
         "A:clear B:clear B:reserve B:insert_b1 B:learn A:reserve! A:finish B:commit B:finish",
         {"b1"}},
        {"a failed generation lets the other write",
         "A:clear A:reserve A:insert_a1 A:abandon B:clear B:reserve B:insert_b1 B:commit B:finish A:clear "
         "A:reserve A:insert_a2 A:commit A:finish",
         {"a2"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        commitRow(QStringLiteral("OLD"));
        RetenStore here(path_);
        ASSERT_TRUE(here.connect());
        Peer peer(path_);
        for (QString step : QString::fromLatin1(c.steps).split(QLatin1Char(' '))) {
            SCOPED_TRACE(step.toStdString());
            const bool refused = step.endsWith(QLatin1Char('!'));
            const QString command =
                step.mid(2).remove(QLatin1Char('!')).replace(QLatin1Char('_'), QLatin1Char(' '));
            const QString answer =
                step.startsWith(QLatin1Char('A')) ? runHere(here, command) : peer.run(command);
            EXPECT_EQ(answer,
                      refused ? QStringLiteral("error ") + RetenStore::busyText() : QStringLiteral("ok"));
        }
        EXPECT_EQ(committed(path_), c.rows);
    }
}

// While the program holds its connection, isql-fb reads RETEN and gbak backs the file up; the
// backup restores with the same rows, and the program goes on generating.
TEST_F(SharedDatabase, ToolsOpenTheFileWhileTheProgramHoldsIt)
{
    RetenStore store(path_);
    ASSERT_TRUE(store.connect());
    for (const char *command :
         {"clear", "reserve", "insert 101", "insert 102", "insert 103", "commit", "finish"})
        ASSERT_EQ(runHere(store, QLatin1String(command)), QStringLiteral("ok"));

    const ToolRun isql = runTool(
        QStringLiteral("isql-fb"),
        {QStringLiteral("-q"), QStringLiteral("-user"), User, QStringLiteral("-password"), Password, path_},
        "select 'ROW:' || trim(nrocom) from reten order by jid;\n");
    EXPECT_EQ(isql.exitCode, 0) << isql.output.toStdString();
    EXPECT_EQ(isql.output.count(QLatin1String("ROW:")), 3) << isql.output.toStdString();
    EXPECT_TRUE(isql.output.contains(QLatin1String("ROW:103")));

    const QString backup = folder_.filePath(QStringLiteral("RETENCIONES.FBK"));
    const QString restored = folder_.filePath(QStringLiteral("RESTORED.FDB"));
    const ToolRun save =
        runTool(QStringLiteral("gbak"), {QStringLiteral("-b"), QStringLiteral("-user"), User,
                                         QStringLiteral("-password"), Password, path_, backup});
    EXPECT_EQ(save.exitCode, 0) << save.output.toStdString();
    const ToolRun restore =
        runTool(QStringLiteral("gbak"), {QStringLiteral("-c"), QStringLiteral("-user"), User,
                                         QStringLiteral("-password"), Password, backup, restored});
    EXPECT_EQ(restore.exitCode, 0) << restore.output.toStdString();
    EXPECT_EQ(committed(restored), (QStringList{"101", "102", "103"}));

    for (const char *command : {"clear", "reserve", "insert 201", "commit", "finish"})
        EXPECT_EQ(runHere(store, QLatin1String(command)), QStringLiteral("ok"));
    EXPECT_EQ(committed(path_), QStringList{"201"});
}

// One process that stays open through many declarations: the versions of the rows each
// generation deletes are collected and their space used again, so the file stops growing.
// (With the transaction kept open and only commit retaining, it grew by about 68 KB with each
// declaration of 500 rows: 1.7 MB after the first, 5.1 MB after the fiftieth.)
TEST_F(SharedDatabase, FileStopsGrowingOverManyGenerations)
{
    RetenStore store(path_);
    ASSERT_TRUE(store.connect());
    std::vector<qint64> sizes;
    for (int generation = 1; generation <= 20; ++generation) {
        store.clear();
        store.reserve();
        for (int row = 1; row <= 500; ++row)
            store.insert(RetenRow{QString::number(row), QStringLiteral("15/03/2017"), 62,
                                  QStringLiteral("PROVEEDOR %1 S.R.L.").arg(row),
                                  QStringLiteral("20-12345678-9"), QStringLiteral("3/2017")});
        store.commit();
        RetenRowSource rows = store.insertedRows();
        int listed = 0;
        while (rows.next())
            ++listed;
        store.finish();
        ASSERT_EQ(listed, 500);
        sizes.push_back(QFileInfo(path_).size());
    }
    std::cout << "database size after generations 1, 5, 10, 15, 20:";
    for (int g : {1, 5, 10, 15, 20})
        std::cout << ' ' << sizes[g - 1];
    std::cout << std::endl;
    EXPECT_EQ(sizes.back(), sizes[4]) << "the file grew after the fifth generation";
}

// The guard's one row, deleted behind the program's back, is put back by the next generation
// of a user who may insert it, and stops the generation of one who may not, with a message;
// it is never silently done without. Embedded attachments take the user name as given, so the
// grants of each user apply as they would on a server.
TEST_F(SharedDatabase, MissingLockRowIsPutBackOrRefused)
{
    transaction_->executeImmediate(
        QStringLiteral("grant select, insert, update, delete on RETEN to user LIMITADO"));
    transaction_->executeImmediate(QStringLiteral("grant usage on sequence GEN_RETEN_JID to user LIMITADO"));
    transaction_->executeImmediate(QStringLiteral("grant select, update on RETEN_LOCK to user LIMITADO"));
    transaction_->commit();
    const struct {
        const char *user;
        bool putBack;
    } cases[] = {{"SYSDBA", true}, {"RETENCIONES", true}, {"LIMITADO", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.user);
        transaction_->executeImmediate(QStringLiteral("delete from reten_lock"));
        transaction_->commit();
        RetenStore store(path_, QString::fromLatin1(c.user), Password);
        QString answer;
        for (const char *command : {"clear", "reserve", "insert 1", "commit", "finish"}) {
            answer = runHere(store, QLatin1String(command));
            if (answer != QLatin1String("ok"))
                break;
        }
        if (c.putBack) {
            EXPECT_EQ(answer, QStringLiteral("ok"));
            EXPECT_EQ(committed(path_), QStringList{"1"});
        } else {
            EXPECT_EQ(answer, QStringLiteral("error ") + RetenStore::missingLockText());
        }
        Query rows(*transaction_);
        rows.setSql(QStringLiteral("select count(*) from reten_lock"));
        rows.open();
        ASSERT_TRUE(rows.next());
        EXPECT_EQ(rows.number(0), c.putBack ? 1 : 0);
        rows.close();
        transaction_->commit();
    }
}

// The listing is made of what each insert returned. It must read exactly as RETEN read back
// after the commit: every column, its type and padding, texts through the code page, amounts
// as the NUMERIC column rounds them, and the rows in JID order.
TEST_F(SharedDatabase, TheListingsRowsAreWhatRetenReadsBack)
{
    const RetenRow rows[] = {
        {QStringLiteral("1000001"), QStringLiteral("15/03/2017"), 62, QStringLiteral("PROVEEDOR S.A."),
         QStringLiteral("20-12345678-6"), QStringLiteral("3/2017")},
        {QStringLiteral("12345678901234567890"), QStringLiteral("01/01/2017"), 0.005,
         QStringLiteral("ÑANDÚ HERMANOS Y CÍA. ").leftJustified(60, QLatin1Char('X')), QStringLiteral("30-1"),
         QStringLiteral("12/2017")},
        {QString(), QString(), 0, QString(), QString(), QString()},
        {QStringLiteral("  7  "), QStringLiteral("31/12/2017"), -1.5, QStringLiteral("ŁÓDŹ € ÆØ"),
         QStringLiteral(" 20-2 "), QStringLiteral("1/2017")},
        {QStringLiteral("8"), QStringLiteral("02/02/2017"), 1234567890123.45, QStringLiteral("A"),
         QStringLiteral("20-3"), QStringLiteral("2/2017")},
        {QStringLiteral("9"), QStringLiteral("03/02/2017"), 62.004999, QStringLiteral("B"),
         QStringLiteral("20-3"), QStringLiteral("2/2017")},
        {QStringLiteral("10"), QStringLiteral("04/02/2017"), 0.015, QStringLiteral("C"),
         QStringLiteral("20-3"), QStringLiteral("2/2017")},
    };
    const QStringList columns = {QStringLiteral("JID"),     QStringLiteral("nrocom"), QStringLiteral("FECHA"),
                                 QStringLiteral("IMPORTE"), QStringLiteral("RAZON"),  QStringLiteral("CUIT"),
                                 QStringLiteral("PERIODO"), QStringLiteral("NADA")};
    RetenStore store(path_);
    ASSERT_TRUE(store.connect());
    // Twice: the second generation's rows follow JIDs the first one took.
    for (int generation = 1; generation <= 2; ++generation) {
        store.clear();
        store.reserve();
        for (const RetenRow &row : rows)
            store.insert(row);
        store.commit();
        RetenRowSource listed = store.insertedRows();
        EXPECT_EQ(listed.rowCount(), int(std::size(rows)));

        Connection reader(path_, User, Password);
        Transaction transaction(reader);
        Query query(transaction);
        query.setSql(QStringLiteral("select * from reten order by jid"));
        query.open();
        std::vector<QByteArray> unused;
        RetenRowSource stored(query, unused);
        int count = 0;
        while (query.next()) {
            ASSERT_TRUE(listed.next()) << "row " << count;
            for (const QString &column : columns) {
                const QVariant mine = listed.value(column), theirs = stored.value(column);
                EXPECT_EQ(mine.metaType(), theirs.metaType()) << qPrintable(column) << " of row " << count;
                EXPECT_EQ(mine, theirs) << qPrintable(column) << " of row " << count;
            }
            ++count;
        }
        EXPECT_EQ(count, int(std::size(rows)));
        EXPECT_FALSE(listed.next());
        query.close();
        transaction.commit();
        store.finish();
    }
}

namespace {
// What the register learned from a declaration before it was gathered from the inserts: one
// reading of RETEN grouped by CUIT, after the suppliers the period no longer has were uncounted.
const QString ReferenceUncount = QStringLiteral(
    "execute block (pe char(7) = :pe) as declare cu varchar(20); declare n bigint; "
    "begin "
    "  for select CUIT, CANTIDAD from SUJETO_PERIODO p where PERIODO = : pe and not exists "
    "      (select 1 from RETEN r where trim(r.CUIT) <> '' and trim(r.CUIT) = p.CUIT) into : cu, : n do "
    "  begin "
    "    update SUJETO set CANTIDAD = CANTIDAD - : n where CUIT = : cu; "
    "    delete from SUJETO_PERIODO where PERIODO = : pe and CUIT = : cu; "
    "  end "
    "end");
const QString ReferenceLearn = QStringLiteral(
    "execute block (pe char(7) = :pe) as "
    "  declare cu varchar(20); declare n bigint; declare razon varchar(60); "
    "  declare old bigint; declare registered varchar(20); "
    "begin "
    "  for select trim(g.CUIT), g.N, trim(x.RAZON) "
    "      from (select CUIT, count(*) as N, max(iif(trim(RAZON) <> '', JID, null)) as LAST "
    "            from RETEN where trim(CUIT) <> '' group by CUIT) g "
    "      left join RETEN x on x.JID = g.LAST "
    "      into : cu, : n, : razon do "
    "  begin "
    "    old = null; "
    "    registered = null; "
    "    select CANTIDAD from SUJETO_PERIODO where PERIODO = : pe and CUIT = : cu into : old; "
    "    update SUJETO set RAZON = coalesce(: razon, RAZON), CANTIDAD = CANTIDAD + : n - coalesce(: old, 0), "
    "      PERIODO = iif(PERIODO is null or PERIODO < : pe, : pe, PERIODO) "
    "      where CUIT = : cu returning CUIT into : registered; "
    "    if (registered is null and razon is not null) then "
    "    begin "
    "      insert into SUJETO (CUIT, RAZON, PERIODO, CANTIDAD) values (: cu, : razon, : pe, : n); "
    "      registered = cu; "
    "    end "
    "    if (registered is not null) then "
    "    begin "
    "      if (old is null) then "
    "        insert into SUJETO_PERIODO (CUIT, PERIODO, CANTIDAD) values (: registered, : pe, : n); "
    "      else if (old <> n) then "
    "        update SUJETO_PERIODO set CANTIDAD = : n where PERIODO = : pe and CUIT = : registered; "
    "    end "
    "  end "
    "end");

QStringList registerOf(const QString &path)
{
    Connection connection(path, QStringLiteral("SYSDBA"), QStringLiteral("vordelsam"));
    Transaction transaction(connection);
    Query q(transaction);
    QStringList lines;
    for (const char *sql : {"select CUIT, RAZON, PERIODO, CANTIDAD from SUJETO order by CUIT",
                            "select PERIODO, CUIT, CANTIDAD from SUJETO_PERIODO order by PERIODO, CUIT"}) {
        q.setSql(QString::fromLatin1(sql));
        q.open();
        while (q.next()) {
            QStringList fields;
            for (int f = 0; f < q.fieldCount(); ++f)
                fields << (q.isNull(f) ? QStringLiteral("<null>") : q.text(f));
            lines << fields.join(QLatin1Char('|'));
        }
        q.close();
    }
    transaction.commit();
    return lines;
}
} // namespace

// The register learns from what the inserts returned what one reading of RETEN grouped by CUIT
// taught it: both over the same random declarations, periods declared again, suppliers dropped,
// blank and accented names, CUITs with blanks around them and characters the code page lacks.
TEST_F(SharedDatabase, TheRegisterLearnsWhatAReadingOfRetenWouldTeach)
{
    const QString referencePath = folder_.filePath(QStringLiteral("REFERENCE.FDB"));
    ASSERT_TRUE(QFile::copy(path_, referencePath));
    RetenStore store(path_), reference(referencePath);
    ASSERT_TRUE(store.connect());
    ASSERT_TRUE(reference.connect());
    const QStringList cuits = {
        QStringLiteral("20-1"),  QStringLiteral("20-1 "), QStringLiteral(" 20-1"), QStringLiteral("30-2"),
        QStringLiteral("27-ÑÜ"), QStringLiteral("20-Ł"),  QStringLiteral("20-?"),  QString(),
        QStringLiteral("   "),   QStringLiteral("33-9")};
    const QStringList names = {QString(),
                               QStringLiteral(" "),
                               QStringLiteral("A"),
                               QStringLiteral(" Ñandú S.A. "),
                               QStringLiteral("ŁÓDŹ"),
                               QStringLiteral("B").repeated(60)};
    const QStringList periods = {QStringLiteral("2017-01"), QStringLiteral("2017-02"),
                                 QStringLiteral("2016-12")};
    std::mt19937 random(20261210);
    const auto pick = [&](const QStringList &from) { return from.at(int(random() % from.size())); };
    for (int generation = 1; generation <= 60; ++generation) {
        const QString period = pick(periods);
        std::vector<RetenRow> rows(random() % 25);
        for (RetenRow &row : rows)
            row = {QString::number(random() % 1000),
                   QStringLiteral("01/01/2017"),
                   1,
                   pick(names),
                   pick(cuits),
                   period};
        for (RetenStore *s : {&store, &reference}) {
            s->clear();
            s->reserve();
            for (const RetenRow &row : rows)
                s->insert(row);
        }
        store.learnSuppliersOfReten(period);
        Query q(reference.tran);
        for (const QString &sql : {ReferenceUncount, ReferenceLearn}) {
            q.setSql(sql);
            q.setText(QStringLiteral("pe"), period);
            q.execute();
        }
        for (RetenStore *s : {&store, &reference}) {
            s->commit();
            s->finish();
        }
        ASSERT_EQ(registerOf(path_), registerOf(referencePath)) << "after generation " << generation;
    }
    EXPECT_GT(registerOf(path_).size(), 6);
}

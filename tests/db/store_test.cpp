#include "db/query.h"
#include "tests/db/store_fixture.h"

#include "common/errors.h"
#include "tests/support/qt_print.h"

#include <QFileInfo>

namespace {
const QString InsertRow = QStringLiteral(
    "insert into  reten (nroCom,FECha,importe,razon,Cuit,periodo) values(:nc,:FE,:iM,:Ra,:Cu,:Pe)");

struct Row {
    QString nroCom, fecha;
    double importe;
    QString razon, cuit, periodo;
};

void insert(Query &q, const Row &r)
{
    q.setSql(InsertRow);
    q.setText(QStringLiteral("nC"), r.nroCom);
    q.setText(QStringLiteral("FE"), r.fecha);
    q.setDouble(QStringLiteral("Im"), r.importe);
    q.setText(QStringLiteral("Ra"), r.razon);
    q.setText(QStringLiteral("Cu"), r.cuit);
    q.setText(QStringLiteral("Pe"), r.periodo);
    q.execute();
}

QString padded(const QString &text, int width)
{
    return text.leftJustified(width, QLatin1Char(' '));
}

int countRows(Query &q)
{
    q.setSql(QStringLiteral("select count(*) from reten"));
    q.open();
    EXPECT_TRUE(q.next());
    const int n = int(q.number(0));
    q.close();
    return n;
}
} // namespace

TEST_F(StoreTest, RowsComeBackInInsertionOrderWithPaddingAndNumbers)
{
    Query q(*transaction_);
    const Row rows[] = {
        {"123", "05/03/2017", 62, "Proveedor Uno S.A.", "20-12345678-9", "3/2017"},
        {"0099", "06/03/2017", 62.5, "Ñandú y Compañía", "30-87654321-0", "03/2017"},
        {"7", "31/03/2017", 1234567.89, QString(60, QLatin1Char('R')), "27-00000000-1", "12/2017"},
    };
    for (const Row &r : rows)
        insert(q, r);
    transaction_->commitRetaining();
    EXPECT_TRUE(transaction_->isActive());

    q.setSql(QStringLiteral("select * from  reten order by Jid"));
    q.open();
    ASSERT_EQ(q.fieldCount(), 7);
    const char *names[] = {"JID", "NROCOM", "FECHA", "IMPORTE", "RAZON", "CUIT", "PERIODO"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(q.fieldName(i), QLatin1String(names[i]));
    EXPECT_EQ(q.fieldIndex(QStringLiteral("razon")), 4);
    EXPECT_EQ(q.fieldIndex(QStringLiteral("nothing")), -1);

    double lastJid = 0;
    for (const Row &r : rows) {
        ASSERT_TRUE(q.next());
        EXPECT_GT(q.number(0), lastJid);
        lastJid = q.number(0);
        EXPECT_EQ(q.text(1), padded(r.nroCom, 20));
        EXPECT_EQ(q.text(2), padded(r.fecha, 20));
        EXPECT_EQ(q.number(3), r.importe);
        EXPECT_EQ(q.text(4), padded(r.razon, 60));
        EXPECT_EQ(q.text(5), padded(r.cuit, 20));
        EXPECT_EQ(q.text(6), padded(r.periodo, 20));
        EXPECT_FALSE(q.isNull(4));
    }
    EXPECT_FALSE(q.next());
    EXPECT_FALSE(q.next());
}

TEST_F(StoreTest, NumbersReadAsTextAndDouble)
{
    Query q(*transaction_);
    const struct {
        double stored;
        const char *text;
        double number;
    } cases[] = {
        {62, "62.00", 62},     {62.5, "62.50", 62.5}, {0.125, "0.13", 0.13},
        {-0.5, "-0.50", -0.5}, {0.07, "0.07", 0.07},  {9999999999.99, "9999999999.99", 9999999999.99},
    };
    for (const auto &c : cases) {
        q.setSql(QStringLiteral("insert into reten (importe) values (:i)"));
        q.setDouble(QStringLiteral("I"), c.stored);
        q.execute();
    }
    q.setSql(QStringLiteral("select importe, nrocom from reten order by jid"));
    q.open();
    for (const auto &c : cases) {
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.text(0), QLatin1String(c.text)) << c.stored;
        EXPECT_EQ(q.number(0), c.number) << c.stored;
        EXPECT_TRUE(q.isNull(1));
        EXPECT_EQ(q.text(1), QString());
        EXPECT_EQ(q.number(1), 0);
    }
}

TEST_F(StoreTest, TextLongerThanItsColumnIsRefusedNotCut)
{
    Query q(*transaction_);
    insert(q, {"1", "01/01/2017", 1, "kept", "20-1-1", "1/2017"});
    const struct {
        const char *column;
        int width;
    } cases[] = {{"nrocom", 20}, {"fecha", 20}, {"razon", 60}, {"cuit", 20}, {"periodo", 20}};
    for (const auto &c : cases) {
        for (int length : {c.width, c.width + 1}) {
            q.setSql(QStringLiteral("insert into reten (%1) values (:v)").arg(QLatin1String(c.column)));
            // Accented letters are one byte each in the database: the limit is in characters.
            q.setText(QStringLiteral("v"), QString(length - 1, QLatin1Char('x')) + QStringLiteral("ó"));
            if (length == c.width) {
                EXPECT_NO_THROW(q.execute()) << c.column;
                continue;
            }
            try {
                q.execute();
                ADD_FAILURE() << c.column << " took a text of " << length << " characters";
            } catch (const DatabaseError &e) {
                EXPECT_TRUE(e.message().contains(
                    QStringLiteral("-arithmetic exception, numeric overflow, or string truncation\n"
                                   "-string right truncation\n")))
                    << e.message().toStdString();
                EXPECT_TRUE(e.message().contains(
                    QStringLiteral("expected length %1, actual %2").arg(c.width).arg(length)))
                    << e.message().toStdString();
            }
        }
    }
    // A refused insert leaves the work before it in the transaction.
    transaction_->commitRetaining();
    EXPECT_EQ(countRows(q), 1 + 5);
}

TEST_F(StoreTest, Win1252TextRoundTripsAsSingleBytes)
{
    Query q(*transaction_);
    const QString name = QStringLiteral("ÑANDÚ Cía. — señor Müller ó €");
    q.setSql(QStringLiteral("insert into reten (razon) values (:r)"));
    q.setText(QStringLiteral("r"), name);
    q.execute();
    q.setSql(QStringLiteral("select razon, octet_length(trim(razon)), upper(razon) from reten"));
    q.open();
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.text(0), padded(name, 60));
    EXPECT_EQ(q.number(1), name.size());
    EXPECT_EQ(q.text(2).trimmed(), name.toUpper());
}

TEST_F(StoreTest, ClearingCommitsAndASecondRunOfItYieldsNoRows)
{
    Query q(*transaction_);
    insert(q, {"1", "01/01/2017", 1, "a", "b", "1/2017"});
    insert(q, {"2", "01/01/2017", 2, "a", "b", "1/2017"});
    transaction_->commitRetaining();

    q.setSql(QStringLiteral("delete from reten"));
    q.execute();
    transaction_->commitRetaining();
    q.setSql(QStringLiteral("delete from reten"));
    q.open();
    EXPECT_TRUE(q.isActive());
    EXPECT_FALSE(q.next());

    // Another attachment sees the committed emptying.
    Connection other(path_, User, Password);
    Transaction otherTransaction(other);
    Query otherQuery(otherTransaction);
    EXPECT_EQ(countRows(otherQuery), 0);
}

TEST_F(StoreTest, CommitRetainingMakesInsertsVisibleAndJidKeepsGrowing)
{
    Query q(*transaction_);
    insert(q, {"1", "01/01/2017", 1, "a", "b", "1/2017"});
    Connection other(path_, User, Password);
    Transaction otherTransaction(other);
    Query otherQuery(otherTransaction);
    EXPECT_EQ(countRows(otherQuery), 0);
    otherTransaction.commit();

    transaction_->commitRetaining();
    EXPECT_EQ(countRows(otherQuery), 1);

    // Emptied and filled again, the table hands out greater numbers than before.
    q.setSql(QStringLiteral("select max(jid) from reten"));
    q.open();
    ASSERT_TRUE(q.next());
    const double before = q.number(0);
    q.setSql(QStringLiteral("delete from reten"));
    q.execute();
    insert(q, {"2", "01/01/2017", 1, "a", "b", "1/2017"});
    q.setSql(QStringLiteral("select jid from reten"));
    q.open();
    ASSERT_TRUE(q.next());
    EXPECT_GT(q.number(0), before);
}

TEST_F(StoreTest, MissingDatabaseReportsTheClientTextAndReconnectsLater)
{
    const QString missing = folder_.filePath(QStringLiteral("LATER.FDB"));
    Connection connection(missing, User, Password);
    Transaction transaction(connection);
    Query q(transaction);
    q.setSql(QStringLiteral("delete from reten"));
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            q.execute();
            FAIL() << "a missing database was reported as open";
        } catch (const DatabaseError &e) {
            EXPECT_TRUE(
                e.message().startsWith(QStringLiteral("I/O error during \"open\" operation for file \"%1\"")
                                           .arg(QFileInfo(missing).absoluteFilePath())))
                << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QStringLiteral("No such file or directory")));
        }
        EXPECT_FALSE(connection.isOpen());
        EXPECT_FALSE(transaction.isActive());
    }

    ASSERT_TRUE(QFile::copy(templateDatabase(), missing));
    q.setSql(QStringLiteral("delete from reten"));
    EXPECT_NO_THROW(q.execute());
    EXPECT_TRUE(connection.isOpen());
    EXPECT_TRUE(transaction.isActive());
}

TEST_F(StoreTest, ParametersByNameWhateverTheirCase)
{
    Query q(*transaction_);
    q.setSql(QStringLiteral(
        "insert into reten (nrocom, fecha, razon, cuit) values (:Same, :same, 'a:b :c', :unset)"));
    q.setText(QStringLiteral("SAME"), QStringLiteral("twice"));
    EXPECT_THROW(q.setText(QStringLiteral("c"), QStringLiteral("x")), DatabaseError);
    q.execute();
    q.setSql(QStringLiteral("select nrocom, fecha, razon, cuit from reten"));
    q.open();
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.text(0).trimmed(), QStringLiteral("twice"));
    EXPECT_EQ(q.text(1).trimmed(), QStringLiteral("twice"));
    EXPECT_EQ(q.text(2).trimmed(), QStringLiteral("a:b :c"));
    EXPECT_TRUE(q.isNull(3));
}

TEST_F(StoreTest, TextOfANumberIsConvertedByTheDatabase)
{
    Query q(*transaction_);
    q.setSql(QStringLiteral("insert into reten (importe) values (:i)"));
    q.setText(QStringLiteral("i"), QStringLiteral("12.345"));
    q.execute();
    q.setText(QStringLiteral("i"), QStringLiteral("twelve"));
    EXPECT_THROW(q.execute(), DatabaseError);
    q.setSql(QStringLiteral("select importe, cast('x' as char(3)) from reten"));
    q.open();
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.text(0), QStringLiteral("12.35"));
    EXPECT_THROW(q.number(1), ConversionError);
    EXPECT_FALSE(q.next());
}

TEST_F(StoreTest, ScriptFailureNamesTheStatementError)
{
    try {
        runSqlScript(*transaction_, QStringLiteral("create table reten (x int);"));
        FAIL() << "a second RETEN was accepted";
    } catch (const DatabaseError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("RETEN"))) << e.message().toStdString();
    }
}

TEST_F(StoreTest, ExistingFileIsNeverOverwritten)
{
    const qint64 size = QFileInfo(path_).size();
    EXPECT_THROW(createDatabase(path_, User, Password), DatabaseError);
    EXPECT_EQ(QFileInfo(path_).size(), size);
    Query q(*transaction_);
    EXPECT_EQ(countRows(q), 0);
}

TEST_F(StoreTest, OneStatementRunsAgainWithOtherKindsAndSizesOfValues)
{
    Query q(*transaction_);
    const QString longName(61, QLatin1Char('L'));
    const struct {
        const char *razon; // null: the long name
        bool number;
        bool refused;
    } runs[] = {
        {"short", false, false}, {nullptr, false, true},           {"short again", false, false},
        {"1", true, false},      {"after a number", false, false},
    };
    for (const auto &r : runs) {
        q.setSql(QStringLiteral("insert into reten (razon, importe) values (:r, :i)"));
        q.setText(QStringLiteral("r"), r.razon ? QString::fromUtf8(r.razon) : longName);
        if (r.number)
            q.setDouble(QStringLiteral("i"), 1);
        else
            q.setText(QStringLiteral("i"), QStringLiteral("2.5"));
        if (r.refused)
            EXPECT_THROW(q.execute(), DatabaseError);
        else
            EXPECT_NO_THROW(q.execute()) << (r.razon ? r.razon : "long");
    }
    EXPECT_EQ(countRows(q), 4);
}

TEST_F(StoreTest, StatementsRunAgainAfterTheConnectionWasClosed)
{
    Query q(*transaction_);
    insert(q, {"1", "01/01/2017", 1, "a", "b", "1/2017"});
    q.setSql(QStringLiteral("select count(*) from reten"));
    q.open();
    connection_->close(); // uncommitted work is lost with the transaction
    EXPECT_FALSE(transaction_->isActive());
    EXPECT_FALSE(q.next());
    insert(q, {"2", "01/01/2017", 1, "a", "b", "1/2017"});
    transaction_->commitRetaining();
    EXPECT_EQ(countRows(q), 1);
}

// One statement run row after row keeps what it asked the database once; each row's texts,
// nulls and numbers, whatever their lengths and kinds, land as given, and a text too long for
// its column is refused between two good rows.
TEST_F(StoreTest, AStatementRunRowAfterRowStoresEachRowAsGiven)
{
    Query q(*transaction_);
    q.setSql(QStringLiteral("insert into reten (nrocom, razon, importe) values (:n, :r, :i)"));
    const struct {
        const char *nroCom; // null when nullptr
        const char *razon;
        bool number;
        double importe;
    } rows[] = {
        {"1", "A", true, 1.5},      {"22", "", true, 2},      {nullptr, "CCC", false, 0},
        {"4444", "Ñandú", true, 4}, {"55555", "E", false, 0}, {"6", "FFFFFFFFFFFF", true, 6.25},
        {"7", "G", true, 7},
    };
    for (const auto &r : rows) {
        if (r.nroCom)
            q.setText(QStringLiteral("n"), QString::fromUtf8(r.nroCom));
        else
            q.setNull(QStringLiteral("n"));
        q.setText(QStringLiteral("r"), QString::fromUtf8(r.razon));
        if (r.number)
            q.setDouble(QStringLiteral("i"), r.importe);
        else
            q.setText(QStringLiteral("i"), QStringLiteral("3.5"));
        q.execute();
        q.setText(QStringLiteral("r"), QString(61, QLatin1Char('x')));
        EXPECT_THROW(q.execute(), DatabaseError);
    }
    q.setSql(QStringLiteral("select nrocom, razon, importe from reten order by jid"));
    q.open();
    for (const auto &r : rows) {
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.isNull(0), r.nroCom == nullptr);
        EXPECT_EQ(q.text(0).trimmed(), QString::fromUtf8(r.nroCom ? r.nroCom : ""));
        EXPECT_EQ(q.text(1).trimmed(), QString::fromUtf8(r.razon));
        EXPECT_EQ(q.number(2), r.number ? r.importe : 3.5);
    }
    EXPECT_FALSE(q.next());
}

// Parameters are found without regard to the case of their ASCII letters, and only then.
TEST_F(StoreTest, ParameterNamesMatchWithoutRegardToCase)
{
    Query q(*transaction_);
    q.setSql(QStringLiteral("select cast(:ab_1 as varchar(5)) from rdb$database"));
    const struct {
        const char *name;
        bool found;
    } cases[] = {{"ab_1", true},
                 {"AB_1", true},
                 {"aB_1", true},
                 {"ab_2", false},
                 {"ab-1", false},
                 {"ab\x7f"
                  "1",
                  false},
                 {"ab_", false},
                 {"ab_10", false}};
    for (const auto &c : cases) {
        if (c.found)
            EXPECT_NO_THROW(q.setText(QLatin1String(c.name), QStringLiteral("x"))) << c.name;
        else
            EXPECT_THROW(q.setText(QLatin1String(c.name), QStringLiteral("x")), DatabaseError) << c.name;
    }
    q.setText(QStringLiteral("AB_1"), QStringLiteral("vale"));
    q.open();
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.text(0), QStringLiteral("vale"));
}

#include "bench/bench_check.h"
#include "db/connection.h"
#include "db/create_database.h"
#include "db/query.h"
#include "db/sql_script.h"
#include "db/transaction.h"

#include <QFile>
#include <QTemporaryDir>

namespace {
const QString User = QStringLiteral("SYSDBA");
const QString Password = QStringLiteral("vordelsam");

QString freshDatabase(const QTemporaryDir &folder)
{
    const QString path = folder.filePath(QStringLiteral("RETENCIONES.FDB"));
    createDatabase(path, User, Password);
    QFile script(QStringLiteral(RETENCIONES_SQL_DIR "/reten.sql"));
    script.open(QIODevice::ReadOnly);
    Connection connection(path, User, Password);
    Transaction transaction(connection);
    runSqlScript(transaction, QString::fromUtf8(script.readAll()));
    return path;
}

// What one generation asks of the store, with the statements it uses.
void storeGeneration(benchmark::State &state)
{
    const int rows = int(state.range(0));
    QTemporaryDir folder;
    Connection connection(freshDatabase(folder), User, Password);
    Transaction transaction(connection);
    Query q(transaction);
    for (auto _ : state) {
        q.setSql(QStringLiteral("delete from reten"));
        q.execute();
        transaction.commitRetaining();
        for (int i = 1; i <= rows; ++i) {
            q.setSql(QStringLiteral("insert into  reten (nroCom,FECha,importe,razon,Cuit,periodo) "
                                    "values(:nc,:FE,:iM,:Ra,:Cu,:Pe)"));
            q.setText(QStringLiteral("nC"), QString::number(1000 + i));
            q.setText(QStringLiteral("FE"), QStringLiteral("15/03/2017"));
            q.setDouble(QStringLiteral("Im"), 62.5 + i);
            q.setText(QStringLiteral("Ra"), QStringLiteral("Proveedor Ñandú S.A. %1").arg(i));
            q.setText(QStringLiteral("Cu"), QStringLiteral("20-12345678-9"));
            q.setText(QStringLiteral("Pe"), QStringLiteral("3/2017"));
            q.execute();
        }
        transaction.commitRetaining();
        q.setSql(QStringLiteral("select * from  reten order by Jid"));
        q.open();
        // Each row back as inserted, in order.
        int read = 0;
        bool same = true;
        while (q.next()) {
            ++read;
            same = same && q.text(1).trimmed() == QString::number(1000 + read) &&
                   q.number(3) == 62.5 + read &&
                   q.text(4).trimmed() == QStringLiteral("Proveedor Ñandú S.A. %1").arg(read);
        }
        if (!checkAnswer(state, read == rows && same,
                         "read back " + std::to_string(read) + " rows of " + std::to_string(rows) +
                             (same ? "" : ", not as inserted")))
            return;
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(storeGeneration)->Arg(500)->Unit(benchmark::kMillisecond);

// Attaching to an existing file, as the first statement after start-up does.
void attach(benchmark::State &state)
{
    QTemporaryDir folder;
    const QString path = freshDatabase(folder);
    for (auto _ : state) {
        Connection connection(path, User, Password);
        connection.open();
        if (!checkAnswer(state, connection.isOpen(), "not attached"))
            return;
    }
}
BENCHMARK(attach)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char **argv)
{
    return runCheckedBenchmarks(argc, argv);
}

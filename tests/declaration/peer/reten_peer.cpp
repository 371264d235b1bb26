// A second program on the same database: reten_peer DATABASE reads one command per line
// (clear, reserve, insert RECEIPT, learn, commit, finish, abandon) and answers each with one line,
// "ok", a number, or "error " and the first line of the database's message.

#include "common/errors.h"
#include "db/query.h"
#include "declaration/reten_store.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2)
        return 2;
    RetenStore store(app.arguments().at(1));
    store.connect();
    QTextStream in(stdin), out(stdout);
    QString line;
    while (in.readLineInto(&line)) {
        const QString command = line.section(QLatin1Char(' '), 0, 0);
        const QString argument = line.section(QLatin1Char(' '), 1);
        try {
            if (command == QLatin1String("clear")) {
                store.clear();
            } else if (command == QLatin1String("reserve")) {
                store.reserve();
            } else if (command == QLatin1String("insert")) {
                store.insert(RetenRow{argument, QStringLiteral("01/03/2017"), 1, QStringLiteral("PEER"),
                                      QStringLiteral("20-12345678-9"), QStringLiteral("3/2017")});
            } else if (command == QLatin1String("commit")) {
                store.commit();
            } else if (command == QLatin1String("finish")) {
                store.finish();
            } else if (command == QLatin1String("learn")) {
                store.learnSuppliersOfReten(QStringLiteral("2017-03"));
            } else if (command == QLatin1String("abandon")) {
                store.abandon();
            } else {
                out << "error unknown command" << Qt::endl;
                continue;
            }
            out << "ok" << Qt::endl;
        } catch (const AppError &e) {
            out << "error " << e.message().section(QLatin1Char('\n'), 0, 0) << Qt::endl;
        }
    }
    return 0;
}

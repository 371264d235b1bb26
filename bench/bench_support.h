#pragma once

// What the benchmarks that run whole declarations share: a fresh store and the figures.
#include "common/dialogs.h"
#include "db/connection.h"
#include "db/create_database.h"
#include "db/sql_script.h"
#include "db/transaction.h"
#include "declaration/reten_store.h"

#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <vector>

// The clerk who answers Yes and reads nothing; an error goes to the standard error.
class YesDialogs : public Dialogs {
public:
    void ShowInformation(const QString &) override {}
    bool AskConfirmation(const QString &) override { return true; }
    void ShowError(const QString &, const QString &text) override
    {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
    }
    std::optional<QString> ChooseFileToOpen() override { return std::nullopt; }
};

// Creates the database at the path with table RETEN, as scripts/create-database does.
inline QString freshDatabase(const QString &path)
{
    createDatabase(path, RetenStore::UserName, RetenStore::Password);
    QFile script(QStringLiteral(RETENCIONES_SQL_DIR "/reten.sql"));
    script.open(QIODevice::ReadOnly);
    Connection connection(path, RetenStore::UserName, RetenStore::Password);
    Transaction transaction(connection);
    runSqlScript(transaction, QString::fromUtf8(script.readAll()));
    return path;
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

inline double ms(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

#pragma once

#include "db/connection.h"
#include "db/create_database.h"
#include "db/sql_script.h"
#include "db/transaction.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

// Each test gets its own real database file in its own temporary folder. Creating a
// database takes the engine a second or two of synchronous writes, so one is created
// from sql/reten.sql per test program and copied for every test.
class StoreTest : public testing::Test {
protected:
    static inline const QString User = QStringLiteral("SYSDBA");
    static inline const QString Password = QStringLiteral("vordelsam");

    static QString templateDatabase()
    {
        static QTemporaryDir folder;
        static const QString path = [] {
            const QString file = folder.filePath(QStringLiteral("TEMPLATE.FDB"));
            createDatabase(file, User, Password);
            QFile script(QStringLiteral(RETENCIONES_SQL_DIR "/reten.sql"));
            if (!script.open(QIODevice::ReadOnly))
                throw std::runtime_error("sql/reten.sql cannot be read");
            Connection connection(file, User, Password);
            Transaction transaction(connection);
            runSqlScript(transaction, QString::fromUtf8(script.readAll()));
            return file;
        }();
        return path;
    }

    void SetUp() override
    {
        ASSERT_TRUE(folder_.isValid());
        path_ = folder_.filePath(QStringLiteral("RETENCIONES.FDB"));
        ASSERT_TRUE(QFile::copy(templateDatabase(), path_));
        connection_ = std::make_unique<Connection>(path_, User, Password);
        transaction_ = std::make_unique<Transaction>(*connection_);
    }

    void TearDown() override
    {
        transaction_.reset();
        connection_.reset();
    }

    QTemporaryDir folder_;
    QString path_;
    std::unique_ptr<Connection> connection_;
    std::unique_ptr<Transaction> transaction_;
};

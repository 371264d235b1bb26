#pragma once

#include "common/text_file.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "declaration/declaration_file.h"
#include "declaration/report_layout.h"
#include "declaration/reten_store.h"
#include "tests/db/store_fixture.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/withholding_rows.h"
#include "withholdings/grid_model.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A real database per test (store_fixture.h) and the current folder moved into a temporary
// folder of its own, where the declaration file is written; the program folder for the PDF
// is another temporary folder.
class GenerationTest : public StoreTest {
public:
    void SetUp() override
    {
        StoreTest::SetUp();
        ASSERT_TRUE(work_.isValid() && program_.isValid());
        previous_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(work_.path()));
    }
    void TearDown() override
    {
        QDir::setCurrent(previous_);
        StoreTest::TearDown();
    }

    QString programFolder() const { return program_.path() + QLatin1Char('/'); }
    QString workFile(const QString &name) const { return work_.filePath(name); }

    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    static void writeAll(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // Names of the files the work folder holds.
    QStringList workFiles() const
    {
        return QDir(work_.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    }

    // RETEN as another attachment sees it: committed rows only, "NROCOM|PERIODO" trimmed.
    QStringList committedRows()
    {
        Connection connection(path_, User, Password);
        Transaction transaction(connection);
        Query q(transaction);
        q.setSql(
            QStringLiteral("select nrocom, periodo, importe, razon, cuit, fecha from reten order by jid"));
        q.open();
        QStringList rows;
        while (q.next())
            rows << q.text(0).trimmed() + QLatin1Char('|') + q.text(1).trimmed() + QLatin1Char('|') +
                        QString::number(q.number(2)) + QLatin1Char('|') + q.text(3).trimmed() +
                        QLatin1Char('|') + q.text(4).trimmed() + QLatin1Char('|') + q.text(5).trimmed();
        return rows;
    }
    void putCommittedRow()
    {
        Connection connection(path_, User, Password);
        Transaction transaction(connection);
        transaction.executeImmediate(QStringLiteral("insert into reten (nrocom, fecha, importe, razon, cuit, "
                                                    "periodo) values ('OLD', '', 1, '', '', '')"));
        transaction.commit();
    }

    static constexpr auto cells = &withholdingRow;

    QTemporaryDir work_;
    QTemporaryDir program_;
    QString previous_;
};

// A generation's parts over that database: the store, the listing with blank logos, the grid,
// the file variable and the scripted boxes.
class GenerationRun : public GenerationTest {
public:
    void SetUp() override
    {
        GenerationTest::SetUp();
        store = std::make_unique<RetenStore>(path_);
        report =
            ListingReport(QImage(232, 107, QImage::Format_RGB32), QImage(213, 107, QImage::Format_RGB32));
    }
    void TearDown() override
    {
        store.reset();
        GenerationTest::TearDown();
    }

    std::unique_ptr<RetenStore> store;
    ReportDefinition report;
    GridModel grid;
    TextFile F;
    ScriptedDialogs dialogs;
};

#include "common/text_file.h"
#include "declaration/declaration_file.h"
#include "tests/support/qt_print.h"
#include "tests/support/withholding_rows.h"
#include "withholdings/declaration_line.h"
#include "withholdings/manual_entry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

constexpr auto row = &withholdingRow;

const DeclarationHeader agent{QStringLiteral("415"), QStringLiteral("3"), QStringLiteral("02017"),
                              QStringLiteral("30-70000001-2"), QStringLiteral("AGENTE DE PRUEBA SRL")};
} // namespace

// Written, read back line by line into grid cells, written again: the same bytes. The rows
// mix the forms manual entry and a reload leave in the grid, and a record of an older file
// whose date field holds "05 32017".
TEST(RoundTrip, ReloadedDeclarationWritesBackIdentically)
{
    QTemporaryDir dir;
    TextFile f;
    const QList<Withholding> rows = {
        row("123", "05/03/2017", "12345.67", "62", QStringLiteral("FERRETERIA ÑANDÚ"), "30-12345678-9"),
        row("0000000000456", "31/03/2017", "000000100.02", "000000001.00", QStringLiteral("A"),
            "20-1234567-8"),
        row("7", "05/ 3/2017", "0.01", "0", QString(), "27-87654321-0"),
        row("999999", "01/03/2017", "999999999.99", "5000000", QString(60, QLatin1Char('Z')),
            "30-99999999-9"),
    };
    writeDeclarationFile(f, dir.filePath(QStringLiteral("first.txt")), agent, rows);

    TextFile ff;
    const QList<DeclarationLine> lines = readDeclarationFile(ff, dir.filePath(QStringLiteral("first.txt")));
    ASSERT_EQ(lines.size(), rows.size());
    EXPECT_FALSE(ff.isOpen());
    EXPECT_EQ(lines[0].row.date, QStringLiteral("05/03/2017"));
    EXPECT_EQ(lines[0].row.invoiceAmount, QStringLiteral("000012345.67"));
    EXPECT_EQ(lines[0].row.withheldAmount, QStringLiteral("000000062.00"));
    EXPECT_EQ(lines[2].row.date, QStringLiteral("05/ 3/2017"));

    writeDeclarationFile(f, dir.filePath(QStringLiteral("second.txt")), agent, reloadedRows(lines));
    const QByteArray first = readAll(dir.filePath(QStringLiteral("first.txt")));
    EXPECT_EQ(first.size(), 4 * 198);
    EXPECT_EQ(readAll(dir.filePath(QStringLiteral("second.txt"))), first);
}

// Dates that manual entry lets through incomplete: a date box skipped with the mouse ("//"),
// one with only the year typed (value 2017, cell "20/17/"), one without its month. Their date
// fields are short and right-aligned, and a reload and a new generation give the same bytes.
TEST(RoundTrip, IncompleteDatesWriteBackIdentically)
{
    QTemporaryDir dir;
    TextFile f;
    const char *const dates[] = {"//", "20/17/", "15/  /2017"};
    QList<Withholding> rows;
    for (const char *date : dates)
        rows.append(row("1", date, "1000.00", "5", QStringLiteral("A"), "30-12345678-9"));
    writeDeclarationFile(f, dir.filePath(QStringLiteral("first.txt")), agent, rows);

    TextFile ff;
    const QList<DeclarationLine> lines = readDeclarationFile(ff, dir.filePath(QStringLiteral("first.txt")));
    ASSERT_EQ(lines.size(), rows.size());
    writeDeclarationFile(f, dir.filePath(QStringLiteral("second.txt")), agent, reloadedRows(lines));
    const QByteArray first = readAll(dir.filePath(QStringLiteral("first.txt")));
    ASSERT_EQ(first.size(), 3 * 198);
    EXPECT_EQ(first.mid(19, 8), QByteArray("      //"));
    EXPECT_EQ(first.mid(198 + 19, 8), QByteArray("    2017"));
    EXPECT_EQ(readAll(dir.filePath(QStringLiteral("second.txt"))), first);
}

#include "withholdings/declaration_line.h"

#include "common/errors.h"
#include "common/text_file.h"
#include "tests/support/qt_print.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
// A record of March 2017 as the writer lays it out (columns 1 to 195).
QString record(const QString &date, const QString &withheld, const QString &receipt, const QString &name,
               const QString &invoice)
{
    return QStringLiteral("30-12345678-9") + QStringLiteral("2017") + QStringLiteral(" 3") + date + withheld +
           receipt + name.leftJustified(60, QLatin1Char(' ')) + QStringLiteral("30-70000001-2") +
           QStringLiteral("AGENTE").leftJustified(60, QLatin1Char(' ')) + invoice;
}
} // namespace

TEST(ReadDeclarationLine, RowFromTheRecordColumns)
{
    const struct {
        QString line;
        Withholding row;
        double withheld;
    } cases[] = {
        {record(QStringLiteral("05032017"), QStringLiteral("00000006200"), QStringLiteral("0000000000123"),
                QStringLiteral("FERRETERIA"), QStringLiteral("00001234567")),
         {QStringLiteral("0000000000123"), QStringLiteral("05/03/2017"), QStringLiteral("000012345.67"),
          QStringLiteral("000000062.00"), QStringLiteral("FERRETERIA"), QStringLiteral("30-12345678-9")},
         62},
        // An older file whose date field lost the month's leading zero keeps it as it stands.
        {record(QStringLiteral("05 32017"), QStringLiteral("00000000075"), QStringLiteral("0000000000001"),
                QString(), QStringLiteral("00000015000")),
         {QStringLiteral("0000000000001"), QStringLiteral("05/ 3/2017"), QStringLiteral("000000150.00"),
          QStringLiteral("000000000.75"), QString(), QStringLiteral("30-12345678-9")},
         0.75},
        // A line cut after the withheld amount: the later fields are empty or cut short.
        {QStringLiteral(" 20-1234567-8") + QStringLiteral("2017 3") + QStringLiteral("15032017") +
             QStringLiteral("00000000100") + QStringLiteral("00000000000"),
         {QStringLiteral("00000000000"), QStringLiteral("15/03/2017"), QStringLiteral("."),
          QStringLiteral("000000001.00"), QString(), QStringLiteral("20-1234567-8")},
         1},
    };
    for (const auto &c : cases) {
        const DeclarationLine line = readDeclarationLine(c.line);
        EXPECT_EQ(line.row, c.row) << c.line.toStdString();
        EXPECT_EQ(line.withheldAmount, static_cast<Decimal>(c.withheld)) << c.line.toStdString();
    }
}

TEST(ReadDeclarationLine, WithheldAmountThatDoesNotConvert)
{
    const QString lines[] = {
        QString(),                                    // a blank line
        QStringLiteral("30-12345678-92017 30503201"), // shorter than 28 characters
        record(QStringLiteral("05032017"), QStringLiteral("0000000A200"), QStringLiteral("0000000000123"),
               QString(), QStringLiteral("00001234567")),
    };
    for (const QString &line : lines)
        EXPECT_THROW(readDeclarationLine(line), ConversionError) << line.toStdString();
}

class ReadDeclarationFile : public ::testing::Test {
protected:
    void write(const QByteArray &bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("17300415.txt"));
    TextFile ff;
};

// A bad line anywhere means no line at all reaches the grid, and the file is closed so that
// a declaration of that name can be created at once.
TEST_F(ReadDeclarationFile, BadLineGivesNothingAndClosesTheFile)
{
    const QByteArray good =
        record(QStringLiteral("05032017"), QStringLiteral("00000006200"), QStringLiteral("0000000000123"),
               QStringLiteral("UNO"), QStringLiteral("00001234567"))
            .toLatin1();
    write(good + "\r\r\n\r\n" + good + "\r\r\n");
    EXPECT_THROW(readDeclarationFile(ff, path), ConversionError);
    EXPECT_FALSE(ff.isOpen());
    EXPECT_TRUE(QFile(path).open(QIODevice::WriteOnly | QIODevice::Truncate));
}

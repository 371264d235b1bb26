#include "declaration/declaration_file.h"

#include "common/errors.h"
#include "common/regional.h"
#include "common/text_file.h"
#include "tests/support/qt_print.h"
#include "tests/support/withholding_rows.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// One field of the record as the layout table gives it: first and last column, content.
struct Field {
    int first;
    int last;
    QByteArray content;
};

// The 198 bytes of a record, laid out column by column; a field whose content does not
// have exactly its width is a mistake in the test itself. The columns written here by hand
// are those of the writer's layout table, field by field.
QByteArray layoutRecord(const std::vector<Field> &fields)
{
    QByteArray record(195, '#');
    int next = 1;
    EXPECT_EQ(fields.size(), DeclarationRecordLayout.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const Field &f = fields[i];
        EXPECT_EQ(f.first, next) << "fields must follow one another";
        if (i < DeclarationRecordLayout.size()) {
            EXPECT_EQ(f.first, DeclarationRecordLayout[i].first) << "field " << i;
            EXPECT_EQ(f.last, DeclarationRecordLayout[i].first + DeclarationRecordLayout[i].width - 1)
                << "field " << i;
        }
        EXPECT_EQ(f.content.size(), f.last - f.first + 1) << f.content.constData();
        record.replace(f.first - 1, f.content.size(), f.content);
        next = f.last + 1;
    }
    EXPECT_EQ(next, 196);
    return record + "\r\r\n";
}

QByteArray padded(const QByteArray &name)
{
    return name + QByteArray(60 - name.size(), ' ');
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

// Each test runs in its own temporary folder, which is also the current folder, since the
// declaration goes there under its bare name.
class InTemporaryFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void TearDown() override
    {
        CloseTextFileQuietly(f);
        QDir::setCurrent(previous);
        SetDecimalSeparator(QLatin1Char('.'));
    }

    QTemporaryDir dir;
    QString previous;
    TextFile f;
};

const DeclarationHeader agent{QStringLiteral("415"), QStringLiteral("3"), QStringLiteral("2017"),
                              QStringLiteral("30-70000001-2"), QStringLiteral("AGENTE DE PRUEBA SRL")};

constexpr auto row = &withholdingRow;

} // namespace

TEST(DeclarationBaseName, YearMonthCodeAndLegajo)
{
    const struct {
        const char *year, *month, *legajo, *base;
    } cases[] = {
        {"2017", "10", "415", "17A00415"},   {"2017", "3", "415", "17300415"},
        {"2017", "12", "415", "17C00415"},   {"2017", "11", "7", "17B00007"},
        {"2017", "3", "12345", "17312345"},  {"2017", "3", "", "173"},
        {"2017", "3", "   ", "173"},         {"2017", "3", "123456", "173"},
        {"2017", "03", " 415 ", "17300415"}, {"02017", "3", "415", "17300415"}, // the year goes by its number
        {"2025", "1", "99999", "25199999"},
    };
    for (const auto &c : cases) {
        const QString base = declarationBaseName(QString::fromLatin1(c.year), QString::fromLatin1(c.month),
                                                 QString::fromLatin1(c.legajo));
        EXPECT_EQ(base, QString::fromLatin1(c.base)) << c.year << " " << c.month << " " << c.legajo;
    }
    EXPECT_EQ(declarationFileName(QStringLiteral("17A00415")), QStringLiteral("17A00415.txt"));
    EXPECT_EQ(declarationPdfName(QStringLiteral("17A00415")), QStringLiteral("17A00415.pdf"));
    EXPECT_EQ(monthCode(0), QString());
    EXPECT_EQ(monthCode(13), QString());
}

TEST(DeclarationBaseName, MonthThatDoesNotConvertIsAConversionError)
{
    EXPECT_THROW(declarationBaseName(QStringLiteral("2017"), QString(), QStringLiteral("415")),
                 ConversionError);
}

TEST(AmountField, WholeDigitsThenDecimalsAsTyped)
{
    const struct {
        const char *cell, *field;
    } cases[] = {
        {"1234.50", "00000123450"}, {"1234.5", "00000123450"},       {"6", "00000000600"},
        {"0.75", "00000000075"},    {"000001234.50", "00000123450"}, {"12.345", "00000012345"},
        {" 62 ", "00000006200"},    {"999999999.99", "99999999999"}, {"000000062.00", "00000006200"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(amountField(QString::fromLatin1(c.cell)), QString::fromLatin1(c.field)) << c.cell;
    EXPECT_THROW(amountField(QStringLiteral("12,5")), ConversionError);
    EXPECT_THROW(amountField(QString()), ConversionError);
}

// Under a "," setting the number is read with "," and its decimals must be those after the
// ",": taking them after a "." would write 1234,50 as 1234.00.
TEST(AmountField, DecimalsFollowTheSeparatorTheNumberWasReadWith)
{
    SetDecimalSeparator(QLatin1Char(','));
    EXPECT_EQ(amountField(QStringLiteral("1234,50")), QStringLiteral("00000123450"));
    EXPECT_EQ(amountField(QStringLiteral("62")), QStringLiteral("00000006200"));
    SetDecimalSeparator(QLatin1Char('.'));
}

TEST_F(InTemporaryFolder, GoldenRecords)
{
    const QString name60 = QStringLiteral("PROVEEDOR CON UN NOMBRE DE SESENTA CARACTERES EXACTOS 123456");
    ASSERT_EQ(name60.size(), 60);
    const struct {
        DeclarationHeader header;
        Withholding cells;
        const char *fileName;
        std::vector<Field> fields;
    } cases[] = {
        {agent,
         row("123", "05/03/2017", "1234.5", "6", QStringLiteral("FERRETERIA EL CLAVO"), "30-12345678-9"),
         "17300415.txt",
         {{1, 13, "30-12345678-9"},
          {14, 17, "2017"},
          {18, 19, " 3"},
          {20, 27, "05032017"},
          {28, 38, "00000000600"},
          {39, 51, "0000000000123"},
          {52, 111, padded("FERRETERIA EL CLAVO")},
          {112, 124, "30-70000001-2"},
          {125, 184, padded("AGENTE DE PRUEBA SRL")},
          {185, 195, "00000123450"}}},
        {{QStringLiteral("7"), QStringLiteral("10"), QStringLiteral("2017"), QStringLiteral("20-11111111-1"),
          QStringLiteral("PEREZ JUAN")},
         row("45", "31/10/2017", "12.345", "0.75", QStringLiteral("MUÑOZ Y CÍA"), "20-22222222-2"),
         "17A00007.txt",
         {{1, 13, "20-22222222-2"},
          {14, 17, "2017"},
          {18, 19, "10"},
          {20, 27, "31102017"},
          {28, 38, "00000000075"},
          {39, 51, "0000000000045"},
          {52, 111,
           padded("MU\xD1OZ Y C\xCD"
                  "A")},
          {112, 124, "20-11111111-1"},
          {125, 184, padded("PEREZ JUAN")},
          {185, 195, "00000012345"}}},
        {{QStringLiteral("12345"), QStringLiteral("12"), QStringLiteral("02017"),
          QStringLiteral("33-33333333-3"), QStringLiteral("COOPERATIVA")},
         row("0000000000987", "01/12/2017", "000001234.50", "000000006.00", name60, "20-1234567-8"),
         "17C12345.txt",
         {{1, 13, " 20-1234567-8"},
          {14, 17, "2017"},
          {18, 19, "12"},
          {20, 27, "01122017"},
          {28, 38, "00000000600"},
          {39, 51, "0000000000987"},
          {52, 111, name60.toLatin1()},
          {112, 124, "33-33333333-3"},
          {125, 184, padded("COOPERATIVA")},
          {185, 195, "00000123450"}}},
        {{QString(), QStringLiteral("3"), QStringLiteral("2017"), QString(), QString()},
         row("1", "15/03/2017", "100.00", "0", QString(), "30-12345678-9"),
         "173.txt",
         {{1, 13, "30-12345678-9"},
          {14, 17, "2017"},
          {18, 19, " 3"},
          {20, 27, "15032017"},
          {28, 38, "00000000000"},
          {39, 51, "0000000000001"},
          {52, 111, padded("")},
          {112, 124, "             "},
          {125, 184, padded("")},
          {185, 195, "00000010000"}}},
    };
    for (const auto &c : cases) {
        const QString base = declarationBaseName(c.header.year, c.header.month, c.header.legajo);
        const QString fileName = declarationFileName(base);
        EXPECT_EQ(fileName, QString::fromLatin1(c.fileName));
        writeDeclarationFile(f, fileName, c.header, {c.cells});
        EXPECT_EQ(readAll(dir.filePath(fileName)), layoutRecord(c.fields)) << c.fileName;
    }
}

// A character beyond the basic plane (an emoji pasted into a name, two UTF-16 units) goes
// into the file as one "?", and the record keeps its 195 columns.
TEST_F(InTemporaryFolder, CharacterBeyondTheBasicPlaneKeepsTheColumns)
{
    const QString smiley = QString::fromUtf8("\xF0\x9F\x98\x80");
    DeclarationHeader header = agent;
    header.agentName = QStringLiteral("AGENTE ") + smiley;
    const Withholding cells =
        row("123", "05/03/2017", "1234.5", "6", QStringLiteral("CAFE ") + smiley + smiley, "30-12345678-9");
    writeDeclarationFile(f, QStringLiteral("17300415.txt"), header, {cells});
    EXPECT_EQ(readAll(dir.filePath(QStringLiteral("17300415.txt"))),
              layoutRecord({{1, 13, "30-12345678-9"},
                            {14, 17, "2017"},
                            {18, 19, " 3"},
                            {20, 27, "05032017"},
                            {28, 38, "00000000600"},
                            {39, 51, "0000000000123"},
                            {52, 111, padded("CAFE ??")},
                            {112, 124, "30-70000001-2"},
                            {125, 184, padded("AGENTE ?")},
                            {185, 195, "00000123450"}}));
}

// Control characters pasted into a box (a name copied from two lines, a tab, the end-of-file
// mark) become blanks: the record stays one line of 195 columns that reads back whole.
TEST_F(InTemporaryFolder, ControlCharactersInsideAFieldBecomeBlanks)
{
    DeclarationHeader header = agent;
    header.agentName = QStringLiteral("AGENTE\tDOS");
    const Withholding cells =
        row("12\n3", "05/03/2017", "1234.5", "6", QStringLiteral("CASA\r\nCENTRAL\x1A SRL"), "30-12345678-9");
    writeDeclarationFile(f, QStringLiteral("17300415.txt"), header, {cells});
    EXPECT_EQ(readAll(dir.filePath(QStringLiteral("17300415.txt"))),
              layoutRecord({{1, 13, "30-12345678-9"},
                            {14, 17, "2017"},
                            {18, 19, " 3"},
                            {20, 27, "05032017"},
                            {28, 38, "00000000600"},
                            {39, 51, "00000000012 3"},
                            {52, 111, padded("CASA  CENTRAL  SRL")},
                            {112, 124, "30-70000001-2"},
                            {125, 184, padded("AGENTE DOS")},
                            {185, 195, "00000123450"}}));
}

TEST_F(InTemporaryFolder, EmptyGridGivesAnEmptyFile)
{
    writeDeclarationFile(f, QStringLiteral("17300415.txt"), agent, {});
    ASSERT_TRUE(QFile::exists(dir.filePath(QStringLiteral("17300415.txt"))));
    EXPECT_EQ(readAll(dir.filePath(QStringLiteral("17300415.txt"))), QByteArray());
}

TEST_F(InTemporaryFolder, SecondGenerationReplacesTheFirst)
{
    const QString fileName = QStringLiteral("17300415.txt");
    const Withholding first = row("1", "01/03/2017", "1000.00", "5", QStringLiteral("UNO"), "30-12345678-9");
    const Withholding second =
        row("2", "02/03/2017", "2000.00", "10", QStringLiteral("DOS"), "30-12345678-9");
    writeDeclarationFile(f, fileName, agent, {first, first, first});
    writeDeclarationFile(f, fileName, agent, {second});
    const QByteArray bytes = readAll(dir.filePath(fileName));
    ASSERT_EQ(bytes.size(), 198);
    EXPECT_EQ(bytes.mid(38, 13), QByteArray("0000000000002"));
}

// A row whose amount does not convert stops the writing before any of its record is
// written: the file holds the whole records of the rows before it and nothing else.
TEST_F(InTemporaryFolder, BadAmountLeavesOnlyWholeRecords)
{
    const QString fileName = QStringLiteral("17300415.txt");
    const Withholding good = row("1", "01/03/2017", "1000.00", "5", QStringLiteral("UNO"), "30-12345678-9");
    const Withholding bad = row("2", "02/03/2017", "1.000,00", "5", QStringLiteral("DOS"), "30-12345678-9");
    EXPECT_THROW(writeDeclarationFile(f, fileName, agent, {good, bad}), ConversionError);
    CloseTextFileQuietly(f);
    EXPECT_EQ(readAll(dir.filePath(fileName)).size(), 198);
}

TEST_F(InTemporaryFolder, FolderThatDoesNotExistIsAnIoError)
{
    try {
        createDeclarationFile(f, QStringLiteral("no/such/folder/17300415.txt"));
        FAIL() << "created a file in a missing folder";
    } catch (const IoError &e) {
        EXPECT_EQ(e.code(), 3);
    }
}

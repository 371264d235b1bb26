#include "tests/support/qt_print.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Runs the registry generator as the build does, on a data file written by the test.
class RegistryGenerator : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    bool run(const QByteArray &data)
    {
        QFile file(inputPath());
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            return false;
        file.close();
        QProcess cmake;
        cmake.start(CMAKE_COMMAND_PATH,
                    {"-DINPUT=" + inputPath(), "-DOUTPUT=" + outputPath(), "-P", REGISTRY_GENERATOR});
        if (!cmake.waitForFinished(60000))
            return false;
        errors = QString::fromUtf8(cmake.readAllStandardError());
        return cmake.exitStatus() == QProcess::NormalExit && cmake.exitCode() == 0;
    }

    // The fields of the generated records, decoded from their hex escapes.
    QList<QList<QByteArray>> generatedRecords()
    {
        QFile file(outputPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QString source = QString::fromUtf8(file.readAll());
        const QRegularExpression recordLine("^\\s*\\{(.*)\\}, // line \\d+$",
                                            QRegularExpression::MultilineOption);
        const QRegularExpression literal("\"((?:\\\\x[0-9a-f]{2})*)\"sv");
        QList<QList<QByteArray>> records;
        for (const auto &line : recordLine.globalMatch(source)) {
            QList<QByteArray> fields;
            for (const auto &field : literal.globalMatch(line.captured(1)))
                fields.append(QByteArray::fromHex(field.captured(1).remove("\\x").toLatin1()));
            records.append(fields);
        }
        return records;
    }

    QString inputPath() const { return dir.filePath("registry.tsv"); }
    QString outputPath() const { return dir.filePath("registry.cpp"); }

    QTemporaryDir dir;
    QString errors;
};

TEST_F(RegistryGenerator, KeepsEveryFieldByteForByte)
{
    const QByteArray tricky = "PE\xC3\x91"
                              "A; \"COMILLAS\" \\ [x] ${VAR} @AT@ \\x41";
    ASSERT_TRUE(run("20-11111111-2\t" + tricky +
                    "\t415\r\n"
                    "30-22222222-7\tSIN  LEGAJO\t\n"
                    "33-33333333-0\t  BLANCOS  \t 12 "))
        << errors.toStdString();
    const QList<QList<QByteArray>> expected{{"20-11111111-2", tricky, "415"},
                                            {"30-22222222-7", "SIN  LEGAJO", ""},
                                            {"33-33333333-0", "  BLANCOS  ", " 12 "}};
    EXPECT_EQ(generatedRecords(), expected);
}

TEST_F(RegistryGenerator, TakesAThousandRecords)
{
    QByteArray data;
    for (int i = 1; i <= 1000; ++i)
        data += "30-00000000-0\tAGENTE " + QByteArray::number(i) + '\t' + QByteArray::number(i) + '\n';
    ASSERT_TRUE(run(data)) << errors.toStdString();
    const QList<QList<QByteArray>> records = generatedRecords();
    ASSERT_EQ(records.size(), 1000);
    EXPECT_EQ(records.last().value(1), "AGENTE 1000");
}

struct BadData {
    const char *name;
    QByteArray data;
    QString namedLine;
};

class RegistryGeneratorRefuses : public RegistryGenerator, public testing::WithParamInterface<BadData> {};

TEST_P(RegistryGeneratorRefuses, NamingTheLine)
{
    EXPECT_FALSE(run(GetParam().data));
    EXPECT_TRUE(errors.contains("registry.tsv:" + GetParam().namedLine + ":")) << errors.toStdString();
    EXPECT_FALSE(QFile::exists(outputPath()));
}

QByteArray records(int count)
{
    QByteArray data;
    for (int i = 1; i <= count; ++i)
        data += "30-00000000-0\tAGENTE\t" + QByteArray::number(i) + "\n";
    return data;
}

INSTANTIATE_TEST_SUITE_P(
    Build, RegistryGeneratorRefuses,
    testing::Values(BadData{"two_fields", records(2) + "30-00000000-0\tSIN TERCER CAMPO\n" + records(1), "3"},
                    BadData{"one_field", "30-00000000-0\n", "1"},
                    BadData{"empty_line", records(1) + "\n" + records(1), "2"},
                    BadData{"four_fields", records(4) + "30-00000000-0\tA\t1\tB\n", "5"},
                    BadData{"last_line_short", records(3) + "30-00000000-0\tX", "4"},
                    BadData{"too_many_records", records(1001), "1001"}),
    [](const testing::TestParamInfo<BadData> &info) { return std::string(info.param.name); });

} // namespace

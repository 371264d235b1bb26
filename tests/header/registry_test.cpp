#include "header/registry.h"

#include "tests/support/qt_print.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// A small registry with the awkward cases side by side.
QList<AgentRecord> smallRegistry()
{
    return {
        {"20-11111111-2", "PRIMERO", "512"},         {"30-22222222-7", "SIN LEGAJO", ""},
        {"30-33333333-0", "CON BLANCOS", " 77 "},    {"30-44444444-5", "VIEJO", "415"},
        {"30-55555555-0", "NUEVO", "415"},           {"30-22222222-7", "MISMO CUIT", "900"},
        {" 33-66666666-1 ", "  COMO ESTA  ", "333"}, {"30-77777777-4", "CERO", "0"},
    };
}

struct LookupCase {
    const char *name;
    QString key;
    bool found;
    QString cuit;
    QString razon;
};

class SmallRegistryLookup : public testing::TestWithParam<LookupCase> {};

TEST_P(SmallRegistryLookup, FindsTheRecordOfTheTrimmedKey)
{
    Tabla tabla;
    const QList<AgentRecord> records = smallRegistry();
    tabla.load(records);
    const LookupCase &c = GetParam();
    const AgentLookup result = lookUpAgent(tabla, c.key);
    EXPECT_EQ(result.found, c.found);
    EXPECT_EQ(result.cuit, c.cuit);
    EXPECT_EQ(result.razon, c.razon);
}

INSTANTIATE_TEST_SUITE_P(
    Lookup, SmallRegistryLookup,
    testing::Values(LookupCase{"plain", "512", true, "20-11111111-2", "PRIMERO"},
                    LookupCase{"leading_zero_is_text", "0512", false, {}, {}},
                    LookupCase{"surrounding_blanks_and_tab", " 512\t", true, "20-11111111-2", "PRIMERO"},
                    LookupCase{"trailing_line_feed", "512\r\n", true, "20-11111111-2", "PRIMERO"},
                    LookupCase{"no_break_space_is_kept", QString(QChar(0xA0)) + "512", false, {}, {}},
                    LookupCase{"inner_blank", "5 12", false, {}, {}},
                    LookupCase{"empty_key", "", true, "", ""}, LookupCase{"blank_key", "  \t ", true, "", ""},
                    LookupCase{"cell_is_trimmed_too", "77", true, "30-33333333-0", "CON BLANCOS"},
                    LookupCase{"last_match_wins", "415", true, "30-55555555-0", "NUEVO"},
                    LookupCase{"shared_cuit_own_name", "900", true, "30-22222222-7", "MISMO CUIT"},
                    LookupCase{"values_as_stored", "333", true, " 33-66666666-1 ", "  COMO ESTA  "},
                    LookupCase{"zero_is_not_empty", "0", true, "30-77777777-4", "CERO"},
                    LookupCase{"double_zero_is_not_zero", "00", false, {}, {}},
                    LookupCase{"unknown", "9999", false, {}, {}}),
    [](const testing::TestParamInfo<LookupCase> &info) { return std::string(info.param.name); });

TEST(Tabla, EveryCellIsEmptyUntilLoaded)
{
    Tabla tabla;
    EXPECT_EQ(tabla.loadedRows(), 0);
    for (int row : {Vertical::first, 500, Vertical::last})
        for (int column = Horizontal::first; column <= Horizontal::last; ++column)
            EXPECT_TRUE(tabla.cell(column, row).isEmpty());
    // Nothing loaded: no legajo is found, the empty one still is.
    EXPECT_FALSE(lookUpAgent(tabla, "512").found);
    EXPECT_TRUE(lookUpAgent(tabla, "").found);
}

TEST(Tabla, LoadFillsRowsInOrderAndLeavesTheRestEmpty)
{
    Tabla tabla;
    const QList<AgentRecord> records = smallRegistry();
    tabla.load(records);
    ASSERT_EQ(tabla.loadedRows(), records.size());
    for (int row = 1; row <= tabla.loadedRows(); ++row) {
        EXPECT_EQ(tabla.cell(Tabla::CuitColumn, row), records[row - 1].cuit);
        EXPECT_EQ(tabla.cell(Tabla::RazonColumn, row), records[row - 1].razon);
        EXPECT_EQ(tabla.cell(Tabla::LegajoColumn, row), records[row - 1].legajo);
    }
    EXPECT_TRUE(tabla.cell(Tabla::CuitColumn, tabla.loadedRows() + 1).isEmpty());
}

TEST(Tabla, ReloadForgetsTheEarlierRows)
{
    Tabla tabla;
    const QList<AgentRecord> records = smallRegistry();
    tabla.load(records);
    const QList<AgentRecord> one{{"20-11111111-2", "SOLO", "1"}};
    tabla.load(one);
    EXPECT_EQ(tabla.loadedRows(), 1);
    EXPECT_TRUE(tabla.cell(Tabla::LegajoColumn, 2).isEmpty());
    EXPECT_FALSE(lookUpAgent(tabla, "512").found);
}

TEST(Tabla, HoldsExactlyAThousandRows)
{
    QList<AgentRecord> records;
    for (int i = 1; i <= Vertical::count; ++i)
        records.append({"30-00000000-0", QString("AGENTE %1").arg(i), QString::number(i)});
    Tabla tabla;
    tabla.load(records);
    EXPECT_EQ(tabla.loadedRows(), 1000);
    EXPECT_EQ(lookUpAgent(tabla, "1000").razon, "AGENTE 1000");

    records.append({"30-00000000-0", "UNO DE MAS", "1001"});
    EXPECT_THROW(tabla.load(records), std::length_error);
}

TEST(Tabla, IndexOutsideTheRangesIsRefused)
{
    const Tabla tabla;
    EXPECT_THROW(tabla.cell(0, 1), std::out_of_range);
    EXPECT_THROW(tabla.cell(4, 1), std::out_of_range);
    EXPECT_THROW(tabla.cell(1, 0), std::out_of_range);
    EXPECT_THROW(tabla.cell(1, 1001), std::out_of_range);
    EXPECT_NO_THROW(tabla.cell(3, 1000));
}

} // namespace

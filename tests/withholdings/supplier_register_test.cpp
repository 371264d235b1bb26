#include "withholdings/supplier_register.h"

#include "tests/support/qt_print.h"
#include "withholdings/withholding.h"

#include <gtest/gtest.h>

namespace {
QStringList names(const QList<Supplier> &found)
{
    QStringList out;
    for (const Supplier &s : found)
        out << s.name;
    return out;
}
} // namespace

// Completions: prefixes first, then names that contain the text, accents and case aside; the
// latest name learned for a CUIT is the one found; blank names and CUITs are never taken in.
TEST(SupplierRegister, CompletesByPrefixThenContainedText)
{
    SupplierRegister r;
    r.learn(QStringLiteral("20-1"), QStringLiteral("FERRETERÍA ÑANDÚ"));
    r.learn(QStringLiteral("20-2"), QStringLiteral("LA FERRETERA"));
    r.learn(QStringLiteral("20-3"), QStringLiteral("FERRO SUR"));
    r.learn(QStringLiteral("20-4"), QStringLiteral("PANADERÍA"));
    r.learn(QStringLiteral("20-4"), QStringLiteral("PANADERÍA NUEVA"));
    r.learn(QStringLiteral("20-5"), QStringLiteral("   "));
    r.learn(QString(), QStringLiteral("SIN CUIT"));
    const struct {
        const char *typed;
        int limit;
        QStringList found;
    } cases[] = {
        {"ferr", 12, {"FERRETERÍA ÑANDÚ", "FERRO SUR", "LA FERRETERA"}},
        {"FERRETERIA NANDU", 12, {"FERRETERÍA ÑANDÚ"}},
        {"ñandú", 12, {"FERRETERÍA ÑANDÚ"}},
        {"ferr", 2, {"FERRETERÍA ÑANDÚ", "FERRO SUR"}},
        {"nueva", 12, {"PANADERÍA NUEVA"}},
        {"sin", 12, {}},
        {"  ", 12, {}},
        {"zzz", 12, {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(names(r.complete(QString::fromUtf8(c.typed), c.limit)), c.found) << c.typed;
    EXPECT_EQ(r.nameOf(QStringLiteral("20-4")), QStringLiteral("PANADERÍA NUEVA"));
    EXPECT_EQ(r.nameOf(QStringLiteral("20-5")), QString());
    EXPECT_EQ(r.size(), 4);
}

// What rows teach: one entry per CUIT in the order of its first row, the last non-blank name,
// every row counted.
TEST(SupplierRegister, RowsTeachEachCuitOnceWithItsLastName)
{
    auto row = [](const char *name, const char *cuit) {
        return Withholding{{}, {}, {}, {}, QString::fromUtf8(name), QString::fromUtf8(cuit)};
    };
    const QList<SupplierCount> counts =
        supplierCounts({row("PRIMERO", "20-1"), row("OTRO", "20-2"), row("", "20-1"), row("ULTIMO ", "20-1"),
                        row("SIN CUIT", " "), row("", "20-3")});
    ASSERT_EQ(counts.size(), 2);
    EXPECT_EQ(counts[0].cuit, QStringLiteral("20-1"));
    EXPECT_EQ(counts[0].name, QStringLiteral("ULTIMO"));
    EXPECT_EQ(counts[0].withholdings, 3);
    EXPECT_EQ(counts[1].name, QStringLiteral("OTRO"));
    EXPECT_EQ(registerPeriod(2017, 3), QStringLiteral("2017-03"));
}

#include "header/registry.h"

#include "tests/support/qt_print.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace {

// Check digit of a CUIT by the modulo-11 rule; 10 means the base has no valid CUIT.
int cuitCheckDigit(const QString &elevenDigits)
{
    static const int weights[] = {5, 4, 3, 2, 7, 6, 5, 4, 3, 2};
    int sum = 0;
    for (int i = 0; i < 10; ++i)
        sum += elevenDigits.at(i).digitValue() * weights[i];
    const int check = 11 - sum % 11;
    return check == 11 ? 0 : check;
}

TEST(BuiltInRegistry, IsTheDataFileFieldForField)
{
    QFile file(REGISTRY_DATA_FILE);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    const QList<AgentRecord> records = builtInAgents();
    ASSERT_EQ(records.size(), lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        const QList<QByteArray> fields = line.split('\t');
        ASSERT_EQ(fields.size(), 3) << "line " << i + 1;
        EXPECT_EQ(records[i].cuit, QString::fromUtf8(fields[0])) << "line " << i + 1;
        EXPECT_EQ(records[i].razon, QString::fromUtf8(fields[1])) << "line " << i + 1;
        EXPECT_EQ(records[i].legajo, QString::fromUtf8(fields[2])) << "line " << i + 1;
    }
}

TEST(BuiltInRegistry, HoldsTheParticularEntries)
{
    const QList<AgentRecord> records = builtInAgents();
    ASSERT_EQ(records.size(), 115);

    const QRegularExpression cuitForm("^(20|30|33)-\\d{8}-\\d$");
    const QRegularExpression legajoForm("^[1-9]\\d{2,4}$");
    QHash<QString, int> cuitCount;
    QSet<QString> names;
    QSet<QString> legajos;
    int emptyLegajos = 0;
    bool withEnye = false;
    bool withDoubleBlank = false;
    for (const AgentRecord &r : records) {
        SCOPED_TRACE(r.razon.toStdString());
        EXPECT_TRUE(cuitForm.match(r.cuit).hasMatch()) << r.cuit.toStdString();
        const QString digits = QString(r.cuit).remove('-');
        EXPECT_EQ(cuitCheckDigit(digits), digits.at(10).digitValue()) << r.cuit.toStdString();
        ++cuitCount[r.cuit];

        EXPECT_LE(r.razon.size(), 38);
        EXPECT_FALSE(r.razon.isEmpty());
        EXPECT_EQ(r.razon, r.razon.toUpper());
        EXPECT_EQ(r.razon, r.razon.trimmed());
        EXPECT_FALSE(names.contains(r.razon)) << "company name twice";
        names.insert(r.razon);
        withEnye = withEnye || r.razon.contains(QChar(0xD1));
        withDoubleBlank = withDoubleBlank || r.razon.contains("  ");

        if (r.legajo.isEmpty()) {
            ++emptyLegajos;
        } else {
            EXPECT_TRUE(legajoForm.match(r.legajo).hasMatch()) << r.legajo.toStdString();
            EXPECT_FALSE(legajos.contains(r.legajo)) << "legajo twice: " << r.legajo.toStdString();
            legajos.insert(r.legajo);
        }
    }
    EXPECT_EQ(emptyLegajos, 2);
    EXPECT_TRUE(withEnye);
    EXPECT_TRUE(withDoubleBlank);
    for (const char *legajo : {"415", "512", "12345"})
        EXPECT_TRUE(legajos.contains(legajo)) << legajo;

    int shared = 0;
    for (auto it = cuitCount.cbegin(); it != cuitCount.cend(); ++it) {
        EXPECT_LE(it.value(), 2) << it.key().toStdString();
        shared += it.value() == 2;
    }
    EXPECT_EQ(shared, 1);
}

// Legajos are unique in the built-in registry, so each one must give back its own record; the
// records without legajo are therefore never selected.
TEST(BuiltInLookup, EveryLegajoFindsItsOwnRecord)
{
    Tabla tabla;
    tabla.loadBuiltIn();
    const QList<AgentRecord> records = builtInAgents();
    ASSERT_EQ(tabla.loadedRows(), records.size());
    for (const AgentRecord &r : records) {
        const AgentLookup found = lookUpAgent(tabla, r.legajo);
        EXPECT_TRUE(found.found) << r.legajo.toStdString();
        EXPECT_EQ(found.cuit, r.legajo.isEmpty() ? QString() : r.cuit);
        EXPECT_EQ(found.razon, r.legajo.isEmpty() ? QString() : r.razon);
    }
    for (const char *unknown : {"0512", "00415", " 0 ", "99999"})
        EXPECT_FALSE(lookUpAgent(tabla, unknown).found) << unknown;
}

} // namespace

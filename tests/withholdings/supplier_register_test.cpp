#include "withholdings/supplier_register.h"

#include "tests/support/linear_completion.h"
#include "tests/support/qt_print.h"
#include "withholdings/withholding.h"

#include <gtest/gtest.h>

#include <random>

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
    r.learn(QStringLiteral("20-6"), QStringLiteral("MARIA GOMEZ"));
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
        {"ma", 12, {"MARIA GOMEZ"}},
        {"go", 12, {"MARIA GOMEZ"}},
        {"la", 12, {"LA FERRETERA"}},
        {"sin", 12, {}},
        {"  ", 12, {}},
        {"zzz", 12, {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(names(r.complete(QString::fromUtf8(c.typed), c.limit)), c.found) << c.typed;
    EXPECT_EQ(r.nameOf(QStringLiteral("20-4")), QStringLiteral("PANADERÍA NUEVA"));
    EXPECT_EQ(r.nameOf(QStringLiteral("20-5")), QString());
    EXPECT_EQ(r.size(), 5);
}

namespace {
// Letters as a clerk may type them, with the letter the search takes them for.
struct Letter {
    const char *forms; // space-separated spellings: case and accents
    char plain;
};
const Letter Letters[] = {
    {"a A á Á à â ä", 'A'}, {"e E é É è ë", 'E'}, {"i I í Í ï", 'I'}, {"o O ó Ó ö", 'O'},
    {"u U ú Ú ü Ü", 'U'},   {"n N ñ Ñ", 'N'},     {"c C ç Ç", 'C'},   {"r R", 'R'},
    {"s S", 'S'},           {"t T", 'T'},         {"l L", 'L'},       {"m M", 'M'},
    {"g G", 'G'},           {"1", '1'},           {".", '.'},
};

// Random names and texts, each with the search text it must be taken for.
class Speller {
public:
    explicit Speller(unsigned seed) : random_(seed) {}
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    // Any spelling of the plain text: its letters in any case and with any accent they take.
    QString spell(const QString &plain)
    {
        QString text;
        for (const QChar c : plain) {
            const Letter *letter = nullptr;
            for (const Letter &l : Letters)
                if (QLatin1Char(l.plain) == c)
                    letter = &l;
            if (!letter) {
                text += c;
                continue;
            }
            const QStringList forms = QString::fromUtf8(letter->forms).split(QLatin1Char(' '));
            text += forms[below(int(forms.size()))];
        }
        return text;
    }
    // A plain name of one to four words; few letters, so that many names share a beginning.
    QString plainName()
    {
        QString name;
        for (int w = below(4); w >= 0; --w) {
            if (!name.isEmpty())
                name += QLatin1Char(' ');
            for (int n = 1 + below(6); n > 0; --n)
                name += QLatin1Char(Letters[below(int(std::size(Letters)))].plain);
        }
        return name;
    }

private:
    std::mt19937 random_;
};
} // namespace

// The indexed completion against the linear reference over 10,000 random names spelled with
// any case and accent: beginnings, inner pieces and whole names of registered suppliers, typed
// with other accents and cases, and texts that match nothing give identical lists, cut at the
// window's length and whole.
TEST(SupplierRegister, CompletionEqualsTheLinearReference)
{
    Speller speller(20171);
    SupplierRegister r;
    std::vector<Supplier> learned;
    std::vector<QString> plain;
    for (int i = 0; i < 10000; ++i) {
        const QString cuit = QStringLiteral("20-%1-6").arg(i, 8, 10, QLatin1Char('0'));
        // Some suppliers come twice under one name, some are renamed.
        const QString p = i % 50 == 49 ? plain[std::size_t(speller.below(i))] : speller.plainName();
        const QString name = speller.spell(p);
        ASSERT_EQ(searchKey(name), p) << name.toStdString();
        r.learn(cuit, name);
        learned.push_back({cuit, name});
        plain.push_back(p);
    }
    for (int i = 0; i < 500; ++i) {
        const std::size_t renamed = std::size_t(speller.below(10000));
        plain[renamed] = speller.plainName();
        learned[renamed].name = speller.spell(plain[renamed]);
        r.learn(learned[renamed].cuit, learned[renamed].name);
    }
    LinearCompletion reference;
    for (const Supplier &s : learned)
        reference.learn(s.cuit, s.name);
    int offered = 0;
    for (int i = 0; i < 2000; ++i) {
        const QString &of = plain[std::size_t(speller.below(10000))];
        const int from = i % 3 == 0 ? 0 : speller.below(int(of.size()));
        QString typed;
        switch (i % 5) {
        case 0: // a beginning
        case 1: // an inner piece
        case 2:
            typed = speller.spell(of.mid(from, 1 + speller.below(int(of.size()) - from)));
            break;
        case 3: // a whole name, between blanks
            typed = QStringLiteral("  ") + speller.spell(of) + QLatin1Char(' ');
            break;
        default: // anything
            typed = speller.spell(speller.plainName());
        }
        const QList<Supplier> all = reference.complete(typed, 1 << 30);
        for (const int limit : {12, 1 << 30}) {
            const QList<Supplier> found = r.complete(typed, limit);
            const QList<Supplier> expected = all.mid(0, limit);
            ASSERT_TRUE(sameSuppliers(found, expected))
                << typed.toStdString() << " limit " << limit << ": " << found.size() << " found, "
                << expected.size() << " expected";
            offered += found.isEmpty() ? 0 : 1;
        }
    }
    // Most texts were taken from registered names, so most offer something.
    EXPECT_GT(offered, 2500);
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

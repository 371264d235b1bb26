#include "withholdings/import_review.h"

#include "tests/support/qt_print.h"
#include "withholdings/cuit.h"
#include "withholdings/declaration_record.h"

#include <gtest/gtest.h>

#include <random>

namespace {
// A record line with the fields the review reads; the amounts are of no concern to it.
QString line(const char *supplier, const char *yearMonth, const char *agent)
{
    return QString::fromUtf8(supplier).rightJustified(13, u' ') + QString::fromUtf8(yearMonth) +
           QStringLiteral("05032017") + QStringLiteral("00000000500") + QStringLiteral("0000000000123") +
           QStringLiteral("PROVEEDOR").leftJustified(60, u' ') +
           QString::fromUtf8(agent).rightJustified(13, u' ') +
           QStringLiteral("AGENTE").leftJustified(60, u' ') + QStringLiteral("00000100000");
}
} // namespace

TEST(LinesToReview, OneTextPerLineWithItsProblems)
{
    const DeclaredHeader march{QStringLiteral("20-43818624-8"), QStringLiteral("2017"), QStringLiteral("3")};
    const struct {
        const char *name;
        DeclaredHeader header;
        QString text;
        QString review; // empty: nothing to review
    } cases[] = {
        {"all agree", march, line("20-12345678-6", "2017 3", "20-43818624-8"), {}},
        {"month typed with a zero",
         {march.agentCuit, "2017", "03"},
         line("20-12345678-6", "2017 3", "20-43818624-8"),
         {}},
        {"year typed with a zero",
         {march.agentCuit, "02017", "3"},
         line("20-12345678-6", "2017 3", "20-43818624-8"),
         {}},
        {"two-digit month",
         {march.agentCuit, "2017", "12"},
         line("20-12345678-6", "201712", "20-43818624-8"),
         {}},
        {"supplier check digit", march, line("20-12345678-9", "2017 3", "20-43818624-8"),
         "Línea 7, Comprobante 0000000000123: CUIT 20-12345678-9 inválido"},
        {"supplier without hyphens", march, line("20123456786", "2017 3", "20-43818624-8"),
         "Línea 7, Comprobante 0000000000123: CUIT 20123456786 inválido"},
        {"supplier blank", march, line("", "2017 3", "20-43818624-8"),
         "Línea 7, Comprobante 0000000000123: CUIT  inválido"},
        {"another agent", march, line("20-12345678-6", "2017 3", "30-22255705-0"),
         "Línea 7: CUIT del agente 30-22255705-0, se declara 20-43818624-8"},
        {"agent blank", march, line("20-12345678-6", "2017 3", ""),
         "Línea 7: CUIT del agente en blanco, se declara 20-43818624-8"},
        {"another month", march, line("20-12345678-6", "2017 2", "20-43818624-8"),
         "Línea 7: período 2/2017, se declara 3/2017"},
        {"another year", march, line("20-12345678-6", "2016 3", "20-43818624-8"),
         "Línea 7: período 3/2016, se declara 3/2017"},
        {"period not a number", march, line("20-12345678-6", "20x7 3", "20-43818624-8"),
         "Línea 7: período 3/20x7, se declara 3/2017"},
        {"everything", march, line("30-12345678-9", "2016 2", "30-22255705-0"),
         "Línea 7, Comprobante 0000000000123: CUIT 30-12345678-9 inválido; CUIT del agente 30-22255705-0, "
         "se declara 20-43818624-8; período 2/2016, se declara 3/2017"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList review = linesToReview({{7, c.text}}, c.header);
        EXPECT_EQ(review, c.review.isEmpty() ? QStringList() : QStringList{c.review});
    }
}

TEST(LinesToReview, BoxTextCountsTheLines)
{
    EXPECT_EQ(reviewMessage(1), QStringLiteral("Atención, revise 1 renglones del archivo"));
    EXPECT_EQ(reviewMessage(4), QStringLiteral("Atención, revise 4 renglones del archivo"));
}

namespace {
// The review as it read every part through Qt's own trimming and number conversion, kept to
// compare with.
QStringList referenceReview(const QList<SourceLine> &lines, const DeclaredHeader &header)
{
    struct Part {
        explicit Part(QStringView t) : text(t.trimmed()) { number = text.toInt(&isNumber); }
        bool operator==(const Part &o) const
        {
            return isNumber == o.isNumber && (isNumber ? number == o.number : text == o.text);
        }
        QString shown() const { return isNumber ? QString::number(number) : text.toString(); }
        QStringView text;
        bool isNumber = false;
        int number = 0;
    };
    const auto field = [](const QString &line, RecordField f) { return recordFieldView(line, f).trimmed(); };
    const Part month0(header.month), year0(header.year);
    const QStringView agent0 = QStringView(header.agentCuit).trimmed();
    QStringList details;
    for (const SourceLine &line : lines) {
        QStringList problems;
        const QStringView supplier = field(line.text, RecordField::SupplierCuit);
        const bool badSupplier = !isValidCuit(supplier);
        if (badSupplier)
            problems << QStringLiteral("CUIT %1 inválido").arg(supplier);
        const QStringView agent = field(line.text, RecordField::AgentCuit);
        if (agent != agent0)
            problems << QStringLiteral("CUIT del agente %1, se declara %2")
                            .arg(agent.isEmpty() ? QStringLiteral("en blanco") : agent.toString(),
                                 agent0.toString());
        const Part month(recordFieldView(line.text, RecordField::Month));
        const Part year(recordFieldView(line.text, RecordField::Year));
        if (!(month == month0 && year == year0))
            problems << QStringLiteral("período %1, se declara %2")
                            .arg(month.shown() + u'/' + year.shown(), month0.shown() + u'/' + year0.shown());
        if (problems.isEmpty())
            continue;
        QString where = QStringLiteral("Línea %1").arg(line.lineNumber);
        if (badSupplier)
            where += QStringLiteral(", Comprobante %1").arg(field(line.text, RecordField::Receipt));
        details << where + QStringLiteral(": ") + problems.join(QStringLiteral("; "));
    }
    return details;
}
} // namespace

// Periods and CUITs of every shape (blanks of other kinds, signs, other digits, long numbers)
// are reviewed as Qt's trimming and conversion read them.
TEST(LinesToReview, SameAsQtsOwnReadingOverRandomParts)
{
    const char16_t *const parts[] = {u"3",     u" 3",         u"03",          u"+3",   u"-3",
                                     u"\t3",   u"3\u00a0",    u"\u00a03",     u"３",   u"2017",
                                     u"02017", u"0000002017", u"99999999999", u"20x7", u"",
                                     u" ",     u"12",         u"2147483648",  u"0"};
    const char16_t *const cuits[] = {u"20-12345678-6",   u"20-43818624-8",       u" 20-43818624-8",
                                     u"20-43818624-8\t", u"\u00a020-43818624-8", u"",
                                     u"20123456786",     u"20-12345678-9"};
    std::mt19937 random(3);
    const auto any = [&](const auto &list) {
        return QString::fromUtf16(
            list[std::uniform_int_distribution<size_t>(0, std::size(list) - 1)(random)]);
    };
    for (int i = 0; i < 300; ++i) {
        const DeclaredHeader header{any(cuits), any(parts), any(parts)};
        QList<SourceLine> lines;
        for (int n = 1; n <= 20; ++n) {
            const QString yearMonth =
                any(parts).rightJustified(4, u' ', true) + any(parts).rightJustified(2, u' ', true);
            lines.append({n, QString(line("", "2017 3", ""))
                                 .replace(0, 13, any(cuits).rightJustified(13, u' ', true))
                                 .replace(13, 6, yearMonth)
                                 .replace(111, 13, any(cuits).rightJustified(13, u' ', true))});
        }
        ASSERT_EQ(linesToReview(lines, header), referenceReview(lines, header)) << i;
    }
}

#include "withholdings/import_review.h"

#include "tests/support/qt_print.h"

#include <gtest/gtest.h>

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

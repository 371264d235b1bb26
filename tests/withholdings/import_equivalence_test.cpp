// The import takes the usual lines of a declaration straight from their bytes. Whatever the
// file holds, it must give what converting every line as text gives: the same rows, mismatches
// and source lines in the same order, or the same error. The text-by-text reading is kept here
// as the reference, and both are run over many random and damaged files.
#include "withholdings/declaration_import.h"

#include "common/errors.h"
#include "common/numbers.h"
#include "common/regional.h"
#include "common/text_file.h"
#include "tests/support/line_by_line_import.h"
#include "tests/support/qt_print.h"

#include <QByteArray>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include <random>
#include <variant>
#include <vector>

namespace {
// What an import gave: its file, or the text of the error that ended it.
using Outcome = std::variant<ImportedFile, QString>;

template <typename Import> Outcome run(const QByteArray &bytes, Import import)
{
    TextFile ff;
    try {
        OpenTextOverBytes(ff, bytes);
        CheckIo();
        return import(ff);
    } catch (const AppError &e) {
        return QStringLiteral("%1: %2").arg(QLatin1String(typeid(e).name()), e.message());
    }
}

// Where two outcomes part, or nothing.
QString difference(const Outcome &expected, const Outcome &actual)
{
    if (expected.index() != actual.index() || expected.index() == 1) {
        const auto shown = [](const Outcome &o) {
            return o.index() == 1 ? std::get<QString>(o) : QStringLiteral("a file");
        };
        return shown(expected) == shown(actual)
                   ? QString()
                   : QStringLiteral("%1 / %2").arg(shown(expected), shown(actual));
    }
    const ImportedFile &e = std::get<ImportedFile>(expected);
    const ImportedFile &a = std::get<ImportedFile>(actual);
    if (e.rows != a.rows)
        return QStringLiteral("rows differ");
    if (e.sources.size() != a.sources.size())
        return QStringLiteral("source counts differ");
    for (qsizetype i = 0; i < e.sources.size(); ++i)
        if (e.sources[i].lineNumber != a.sources[i].lineNumber || e.sources[i].text != a.sources[i].text)
            return QStringLiteral("source %1 differs").arg(i);
    if (mismatchDetails(e.mismatches) != mismatchDetails(a.mismatches))
        return QStringLiteral("mismatches differ: %1 / %2")
            .arg(mismatchDetails(e.mismatches), mismatchDetails(a.mismatches));
    return {};
}

// Records in the writer's layout, with values of every kind a field may hold, and then damage:
// bytes replaced, lines cut short or pushed long, stray line ends and end-of-file marks.
class Files {
public:
    explicit Files(unsigned seed) : random_(seed) {}

    QByteArray next()
    {
        QByteArray bytes;
        const int lines = pick(0, 12);
        // The writer ends a record with its end mark and a line break.
        const QByteArray ends[] = {"\r\r\n", "\r\n", "\n"};
        const QByteArray end = ends[pick(0, 2)];
        for (int i = 0; i < lines; ++i) {
            bytes += damaged(record());
            if (i + 1 < lines || pick(0, 1))
                bytes += pick(0, 20) ? end : QByteArray(pick(0, 1) ? "\r" : "\n\n");
        }
        return bytes;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    QByteArray digits(int n)
    {
        QByteArray text;
        for (int i = 0; i < n; ++i)
            text += char('0' + pick(0, 9));
        return text;
    }
    QByteArray padded(const QByteArray &text, int width, char padding)
    {
        return text.size() >= width ? text : QByteArray(width - text.size(), padding) + text;
    }
    QByteArray amount()
    {
        switch (pick(0, 5)) {
        case 0:
            return padded(digits(pick(1, 4)), 11, '0');
        case 1:
            return digits(11);
        case 2:
            return padded(digits(pick(0, 3)), 11, ' ');
        default:
            return padded(QByteArray::number(pick(0, 200000)), 11, '0');
        }
    }
    QByteArray record()
    {
        // Invoice and withheld amounts that mostly agree, as a real declaration's do.
        QByteArray invoice = amount();
        QByteArray withheld = amount();
        if (pick(0, 2)) {
            const qint64 cents = invoice.trimmed().toLongLong() * 5 / 1000 + pick(-60, 60);
            withheld = padded(QByteArray::number(std::max<qint64>(cents, 0)), 11, '0');
        }
        const QByteArray receipts[] = {padded(digits(pick(1, 7)), 13, '0'), digits(13), QByteArray(13, '0'),
                                       padded(digits(pick(1, 5)), 13, ' ')};
        const QByteArray dates[] = {"15032017", "  032017", "    2017", "        ", "1503 017"};
        const QByteArray names[] = {"PROVEEDOR SA", "", "  LEADING",
                                    "ACME \xd1"
                                    "ANDU",
                                    "X"};
        const QByteArray cuits[] = {"20-12345678-6", "30-12345678-9", "", "2012345678", "20-1234567-86"};
        QByteArray line = padded(cuits[pick(0, 4)], 13, ' ') + padded(pick(0, 3) ? "2017" : "17", 4, ' ') +
                          padded(pick(0, 3) ? " 3" : "12", 2, ' ') + dates[pick(0, 4)] + withheld +
                          receipts[pick(0, 3)] + names[pick(0, 4)].leftJustified(60, ' ') +
                          padded("30-70000001-2", 13, ' ') + QByteArray("AGENTE").leftJustified(60, ' ') +
                          invoice;
        return line;
    }
    QByteArray damaged(QByteArray line)
    {
        static const char bytes[] = {' ',  '-',    '+',    'E',    'e',    '.', ',', 'x', '$',    '\t',
                                     '\r', '\x1a', '\xd1', '\xb2', '\xbd', '0', '9', 'A', '\x7f', '\0'};
        switch (pick(0, 9)) {
        case 0:
            for (int n = pick(1, 3); n > 0 && !line.isEmpty(); --n)
                line[pick(0, int(line.size()) - 1)] = bytes[pick(0, int(sizeof bytes) - 1)];
            break;
        case 1:
            line.truncate(pick(0, int(line.size())));
            break;
        case 2:
            line += QByteArray(pick(1, 5), 'Z');
            break;
        case 3:
            line.insert(pick(0, int(line.size())), bytes[pick(0, int(sizeof bytes) - 1)]);
            break;
        default:
            break;
        }
        return line;
    }
    std::mt19937 random_;
};
} // namespace

TEST(ImportFromBytes, SameAsLineByLineOverRandomFiles)
{
    const QChar separator = DecimalSeparator();
    const auto restore = qScopeGuard([&] { SetDecimalSeparator(separator); });
    Files files(20170315);
    int imported = 0;
    int refused = 0;
    for (int i = 0; i < 4000; ++i) {
        // Now and then the clerk's regional setting puts a comma where the files have a point.
        SetDecimalSeparator(i % 10 == 9 ? QLatin1Char(',') : QLatin1Char('.'));
        const QByteArray bytes = files.next();
        const Outcome expected = run(bytes, lineByLineImport);
        const Outcome actual = run(bytes, [](TextFile &ff) { return importDeclarationText(ff); });
        ASSERT_EQ(difference(expected, actual), QString()) << "file " << i << ":\n" << bytes.toStdString();
        // Reviewed as it is read, the file gives the same rows and the review its lines would.
        const DeclaredHeader header{QStringLiteral("30-70000001-2"), QStringLiteral("2017"),
                                    QStringLiteral("3")};
        const LineReview review(header);
        const Outcome reviewed = run(bytes, [&](TextFile &ff) { return importDeclarationText(ff, &review); });
        ASSERT_EQ(expected.index(), reviewed.index()) << i;
        if (expected.index() == 0) {
            const ImportedFile &e = std::get<ImportedFile>(expected);
            const ImportedFile &r = std::get<ImportedFile>(reviewed);
            ASSERT_TRUE(e.rows == r.rows && r.sources.isEmpty()) << i;
            ASSERT_EQ(r.toReview, linesToReview(e.sources, header)) << i;
        }
        expected.index() == 0 ? imported += int(std::get<ImportedFile>(expected).rows.size()) : ++refused;
    }
    // Both kinds of outcome were seen often enough to mean something.
    EXPECT_GT(imported, 5000);
    EXPECT_GT(refused, 300);
}

// The check in whole hundredths gives what the check of the converted amounts gives, at the
// edges of the rate's results (whole amounts, one half, just either side) and across the range.
TEST(ImportFromBytes, CheckInHundredthsSameAsOnAmounts)
{
    const auto amount = [](qint64 hundredths) {
        return ParseDecimal(QStringLiteral("%1.%2")
                                .arg(hundredths / 100, 9, 10, QLatin1Char('0'))
                                .arg(hundredths % 100, 2, 10, QLatin1Char('0')));
    };
    constexpr qint64 Largest = 99'999'999'999;
    std::vector<qint64> invoices = {0, 1, Largest, Largest - 1};
    for (const qint64 edge : {qint64(10000), qint64(20000), qint64(30000), qint64(1234567) * 20000,
                              qint64(4999999) * 20000 + 10000})
        for (qint64 d = -2; d <= 2; ++d)
            invoices.push_back(edge + d);
    std::mt19937_64 random(62);
    for (int i = 0; i < 3000; ++i)
        invoices.push_back(std::uniform_int_distribution<qint64>(0, i % 2 ? Largest : 10'000'000)(random));
    for (const qint64 invoice : invoices) {
        // Stored amounts around the one the rate gives and around its halves, and far off.
        const qint64 rate = invoice / 200;
        std::vector<qint64> stored = {0, Largest, std::uniform_int_distribution<qint64>(0, Largest)(random)};
        for (qint64 d = -152; d <= 152; d += (d > -100 && d < 100) ? 1 : 50)
            if (rate + d >= 0)
                stored.push_back(rate + d);
        for (const qint64 s : stored) {
            const WithheldCheck expected = checkWithheldAmount(amount(invoice), amount(s));
            const WithheldCheck actual = checkWithheldHundredths(invoice, s);
            ASSERT_TRUE(expected.declared == actual.declared && expected.expected == actual.expected &&
                        expected.agrees == actual.agrees)
                << invoice << " " << s;
        }
    }
}

#include "withholdings/import_review.h"

#include "withholdings/cuit.h"
#include "withholdings/declaration_record.h"

#include <algorithm>

namespace {
// QStringView::trimmed, answered at once for a text that starts and ends in a printable ASCII
// character, none of which is a space.
QStringView trimmedView(QStringView text)
{
    const auto printable = [](QChar c) { return c.unicode() > u' ' && c.unicode() < 127; };
    if (!text.isEmpty() && printable(text.front()) && printable(text.back()))
        return text;
    return text.trimmed();
}

QStringView field(QStringView line, RecordField f)
{
    return trimmedView(recordFieldView(line, f));
}

// A year or month as a number when it is one, so that " 3" and "03" read alike; otherwise
// the text as it stands.
struct PeriodPart {
    explicit PeriodPart(QStringView text) : text(trimmedView(text))
    {
        // A few plain digits, as nearly every line has them, are read at once.
        const QStringView t = this->text;
        if (!t.isEmpty() && t.size() <= 9 &&
            std::all_of(t.begin(), t.end(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
            isNumber = true;
            for (const QChar c : t)
                number = number * 10 + (c.unicode() - u'0');
            return;
        }
        number = t.toInt(&isNumber);
    }
    bool operator==(const PeriodPart &other) const
    {
        return isNumber == other.isNumber && (isNumber ? number == other.number : text == other.text);
    }
    QString shown() const { return isNumber ? QString::number(number) : text.toString(); }

    QStringView text;
    bool isNumber = false;
    int number = 0;
};

QString period(const PeriodPart &month, const PeriodPart &year)
{
    return month.shown() + QLatin1Char('/') + year.shown();
}
} // namespace

// The header's parts, read once and kept beside the texts they are read from.
struct LineReview::Declared {
    explicit Declared(DeclaredHeader h)
        : header(std::move(h)), month(header.month), year(header.year),
          agent(QStringView(header.agentCuit).trimmed())
    {
    }
    const DeclaredHeader header;
    const PeriodPart month;
    const PeriodPart year;
    const QStringView agent;
};

LineReview::LineReview(DeclaredHeader header) : declared_(std::make_unique<Declared>(std::move(header))) {}

LineReview::~LineReview() = default;

void LineReview::review(int lineNumber, QStringView text, QStringList &details) const
{
    // Every line of a large file goes through here: the parts are read in place and a text is
    // built only for a line that has something to show.
    const Declared &declared = *declared_;
    QStringList problems;
    const QStringView supplier = field(text, RecordField::SupplierCuit);
    const bool badSupplier = !isValidCuit(supplier);
    if (badSupplier)
        problems << QStringLiteral("CUIT %1 inválido").arg(supplier);
    const QStringView agent = field(text, RecordField::AgentCuit);
    if (agent != declared.agent) {
        problems << QStringLiteral("CUIT del agente %1, se declara %2")
                        .arg(agent.isEmpty() ? QStringLiteral("en blanco") : agent.toString(),
                             declared.agent.toString());
    }
    const PeriodPart month(recordFieldView(text, RecordField::Month));
    const PeriodPart year(recordFieldView(text, RecordField::Year));
    if (!(month == declared.month && year == declared.year)) {
        problems << QStringLiteral("período %1, se declara %2")
                        .arg(period(month, year), period(declared.month, declared.year));
    }
    if (problems.isEmpty())
        return;
    // The receipt tells the clerk which withholding holds the supplier's CUIT.
    QString where = QStringLiteral("Línea %1").arg(lineNumber);
    if (badSupplier)
        where += QStringLiteral(", Comprobante %1").arg(field(text, RecordField::Receipt));
    details << where + QStringLiteral(": ") + problems.join(QStringLiteral("; "));
}

QStringList linesToReview(const QList<SourceLine> &lines, const DeclaredHeader &header)
{
    const LineReview review(header);
    QStringList details;
    for (const SourceLine &line : lines)
        review.review(line.lineNumber, line.text, details);
    return details;
}

QString reviewMessage(qsizetype lines)
{
    return QStringLiteral("Atención, revise %1 renglones del archivo").arg(lines);
}

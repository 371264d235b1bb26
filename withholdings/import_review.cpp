#include "withholdings/import_review.h"

#include "withholdings/cuit.h"
#include "withholdings/declaration_record.h"

namespace {
QString field(const QString &line, RecordField f)
{
    return recordFieldText(line, f).trimmed();
}

// A year or month as a number when it is one, so that " 3" and "03" read alike; otherwise
// the text as it stands.
QString periodPart(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? QString::number(n) : text.trimmed();
}

QString period(const QString &month, const QString &year)
{
    return periodPart(month) + QLatin1Char('/') + periodPart(year);
}
} // namespace

QStringList linesToReview(const QList<SourceLine> &lines, const DeclaredHeader &header)
{
    const QString declaredPeriod = period(header.month, header.year);
    const QString declaredAgent = header.agentCuit.trimmed();
    QStringList details;
    for (const SourceLine &line : lines) {
        QStringList problems;
        const QString supplier = field(line.text, RecordField::SupplierCuit);
        const bool badSupplier = !isValidCuit(supplier);
        if (badSupplier)
            problems << QStringLiteral("CUIT %1 inválido").arg(supplier);
        const QString agent = field(line.text, RecordField::AgentCuit);
        if (agent != declaredAgent) {
            problems << QStringLiteral("CUIT del agente %1, se declara %2")
                            .arg(agent.isEmpty() ? QStringLiteral("en blanco") : agent, declaredAgent);
        }
        const QString linePeriod = period(recordFieldText(line.text, RecordField::Month),
                                          recordFieldText(line.text, RecordField::Year));
        if (linePeriod != declaredPeriod)
            problems << QStringLiteral("período %1, se declara %2").arg(linePeriod, declaredPeriod);
        if (problems.isEmpty())
            continue;
        // The receipt tells the clerk which withholding holds the supplier's CUIT.
        QString where = QStringLiteral("Línea %1").arg(line.lineNumber);
        if (badSupplier)
            where += QStringLiteral(", Comprobante %1").arg(field(line.text, RecordField::Receipt));
        details << where + QStringLiteral(": ") + problems.join(QStringLiteral("; "));
    }
    return details;
}

QString reviewMessage(qsizetype lines)
{
    return QStringLiteral("Atención, revise %1 renglones del archivo").arg(lines);
}

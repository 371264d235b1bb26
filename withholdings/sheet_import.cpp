#include "withholdings/sheet_import.h"

#include "common/numbers.h"
#include "withholdings/cuit.h"

#include <QHash>

namespace {
bool hasDigit(const QString &text)
{
    for (const QChar c : text)
        if (c.isDigit())
            return true;
    return false;
}

QStringView cell(const SheetRecord &record, const ColumnChoice &columns, SheetField field)
{
    return record.field(columns[static_cast<int>(field)]);
}

int number(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? n : -1;
}

// The rows one record gives, or why it gives none.
class RecordConverter {
public:
    RecordConverter(const ColumnChoice &columns, const SheetContext &context, NumberFormat format,
                    qsizetype records)
        : columns_(columns), context_(context), format_(format), month_(number(context.header.month)),
          year_(number(context.header.year)), agent_(context.header.agentCuit.trimmed())
    {
        receipts_.reserve(records);
    }

    void convert(const SheetRecord &record, SheetImport &result)
    {
        const QStringView cuitCell = cell(record, columns_, SheetField::SupplierCuit);
        const QStringView receiptCell = cell(record, columns_, SheetField::Receipt);
        if (cuitCell.isEmpty() && receiptCell.isEmpty()) {
            result.review << QStringLiteral("Línea %1: sin CUIT ni comprobante (un total), se omitió")
                                 .arg(record.lineNumber);
            return;
        }

        QStringList problems;
        Withholding row;
        row.supplierCuit = sheetCuit(cuitCell);
        if (row.supplierCuit.isEmpty())
            problems << (cuitCell.isEmpty()
                             ? QStringLiteral("sin CUIT")
                             : QStringLiteral("CUIT %1 no tiene 11 dígitos").arg(quotedCell(cuitCell)));
        row.receipt = sheetReceipt(receiptCell);
        if (row.receipt.isEmpty())
            problems << (receiptCell.isEmpty()
                             ? QStringLiteral("sin comprobante")
                             : QStringLiteral("comprobante %1 no válido").arg(quotedCell(receiptCell)));
        const QStringView dateCell = cell(record, columns_, SheetField::Date);
        row.date = sheetDate(dateCell);
        if (row.date.isEmpty())
            problems << (dateCell.isEmpty() ? QStringLiteral("sin fecha")
                                            : QStringLiteral("fecha %1 no válida").arg(quotedCell(dateCell)));
        const SheetAmount invoice = sheetAmount(cell(record, columns_, SheetField::InvoiceAmount), format_);
        if (!invoice.problem.isEmpty())
            problems << QStringLiteral("Importe Comp. ") + invoice.problem;
        const SheetAmount withheld = sheetAmount(cell(record, columns_, SheetField::WithheldAmount), format_);
        if (!withheld.problem.isEmpty())
            problems << QStringLiteral("Importe Ret. ") + withheld.problem;
        const SheetName name = sheetName(cell(record, columns_, SheetField::CompanyName));
        if (name.text.isEmpty())
            problems << QStringLiteral("sin razón social");
        if (!problems.isEmpty()) {
            result.review << QStringLiteral("Línea %1: %2; no se importó")
                                 .arg(record.lineNumber)
                                 .arg(problems.join(QStringLiteral("; ")));
            return;
        }
        row.companyName = name.text;
        row.invoiceAmount = invoice.text;

        const WithheldCheck check =
            checkWithheldAmount(ParseDecimal(invoice.text), ParseDecimal(withheld.text));
        row.withheldAmount = QString::number(check.declared);
        if (!check.agrees) {
            result.mismatches.append({record.lineNumber, row.receipt, invoice.text, withheld.text,
                                      QString::number(check.expected)});
        }

        if (!isValidCuit(row.supplierCuit))
            problems << QStringLiteral("CUIT %1 inválido").arg(row.supplierCuit);
        const int month = QStringView(row.date).sliced(3, 2).toInt();
        const int year = QStringView(row.date).sliced(6, 4).toInt();
        if (month != month_ || year != year_) {
            problems << QStringLiteral("período %1/%2, se declara %3/%4")
                            .arg(month)
                            .arg(year)
                            .arg(month_)
                            .arg(year_);
        }
        const QStringView agentCell = cell(record, columns_, SheetField::AgentCuit);
        if (!agentCell.isEmpty()) {
            const QString agent = sheetCuit(agentCell);
            if (agent != agent_)
                problems << QStringLiteral("CUIT del agente %1, se declara %2")
                                .arg(agent.isEmpty() ? agentCell.toString() : agent, agent_);
        }
        // Receipts are the same when the declaration writes them alike: zeros in front aside.
        const qint64 key = row.receipt.toLongLong();
        const auto earlier = receipts_.constFind(key);
        if (earlier != receipts_.constEnd())
            problems << QStringLiteral("comprobante repetido (línea %1)").arg(*earlier);
        else if (context_.inGrid && context_.inGrid(row.receipt))
            problems << QStringLiteral("comprobante ya cargado en la grilla");
        if (earlier == receipts_.constEnd())
            receipts_.insert(key, record.lineNumber);
        if (name.cut)
            problems << QStringLiteral("razón social cortada a 60 caracteres");
        if (name.replaced)
            problems << QStringLiteral("razón social con caracteres cambiados: %1").arg(name.text);
        if (!problems.isEmpty()) {
            result.review << QStringLiteral("Línea %1, Comprobante %2: %3")
                                 .arg(record.lineNumber)
                                 .arg(row.receipt, problems.join(QStringLiteral("; ")));
        }
        result.rows.append(std::move(row));
    }

private:
    const ColumnChoice &columns_;
    const SheetContext &context_;
    NumberFormat format_;
    int month_;
    int year_;
    QString agent_;
    // The line each receipt was first read on.
    QHash<qint64, int> receipts_;
};
} // namespace

bool looksLikeSheet(QByteArrayView bytes)
{
    const QStringList titles = sheetTitles(bytes);
    if (titles.size() < 2)
        return false;
    bool digits = false;
    for (const QString &title : titles) {
        if (fieldOfTitle(title))
            return true;
        digits = digits || hasDigit(title);
    }
    return !digits;
}

SheetImport convertSheet(const Sheet &sheet, const ColumnChoice &columns, const SheetContext &context)
{
    SheetImport result;
    // Blank lines after the last record are how many spreadsheets end a file: not worth a word.
    qsizetype end = sheet.records.size();
    while (end > 0 && sheet.records[end - 1].isBlank())
        --end;

    QList<QStringView> amounts;
    amounts.reserve(2 * end);
    for (qsizetype i = 0; i < end; ++i) {
        amounts << cell(sheet.records[i], columns, SheetField::InvoiceAmount)
                << cell(sheet.records[i], columns, SheetField::WithheldAmount);
    }
    result.numberFormat = decideNumberFormat(amounts);

    result.rows.reserve(end);
    RecordConverter converter(columns, context, result.numberFormat, end);
    for (qsizetype i = 0; i < end; ++i) {
        const SheetRecord &record = sheet.records[i];
        if (record.isBlank())
            result.review << QStringLiteral("Línea %1: en blanco, se omitió").arg(record.lineNumber);
        else
            converter.convert(record, result);
    }
    return result;
}

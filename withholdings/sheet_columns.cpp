#include "withholdings/sheet_columns.h"

#include <QHash>

namespace {
const QHash<QString, SheetField> &titles()
{
    static const QHash<QString, SheetField> known = [] {
        QHash<QString, SheetField> t;
        for (const char *name : {"cuit", "cuitproveedor", "cuitsujeto", "cuitsujetoretenido", "cuitretenido"})
            t.insert(QLatin1String(name), SheetField::SupplierCuit);
        for (const char *name : {"razonsocial", "proveedor", "empresa", "nombre", "razonsocialproveedor",
                                 "nombreproveedor", "denominacion", "apellidoynombre", "nombreorazonsocial"})
            t.insert(QLatin1String(name), SheetField::CompanyName);
        for (const char *name : {"fecha", "fecharetencion", "fechaderetencion"})
            t.insert(QLatin1String(name), SheetField::Date);
        for (const char *name : {"comprobante", "nrocomprobante", "numero", "ncomprobante",
                                 "nrodecomprobante", "numerocomprobante", "numerodecomprobante", "nrocomp"})
            t.insert(QLatin1String(name), SheetField::Receipt);
        for (const char *name : {"importecomprobante", "importe", "base", "monto", "importedelcomprobante",
                                 "baseimponible", "montocomprobante"})
            t.insert(QLatin1String(name), SheetField::InvoiceAmount);
        for (const char *name : {"importeretencion", "retencion", "retenido", "importeretenido",
                                 "importedelaretencion", "montoretenido", "montoretencion"})
            t.insert(QLatin1String(name), SheetField::WithheldAmount);
        for (const char *name : {"cuitagente", "cuitdelagente", "cuitagenteretencion"})
            t.insert(QLatin1String(name), SheetField::AgentCuit);
        return t;
    }();
    return known;
}

constexpr qsizetype RememberedLayouts = 40;

QString layoutKey(const QStringList &titles)
{
    QStringList parts;
    parts.reserve(titles.size());
    for (const QString &title : titles)
        parts << normalisedTitle(title);
    return parts.join(QLatin1Char(';'));
}

std::optional<ColumnChoice> parseChoice(const QByteArray &text)
{
    const QList<QByteArray> numbers = text.split(',');
    if (numbers.size() != SheetFieldCount)
        return std::nullopt;
    ColumnChoice choice{};
    for (int i = 0; i < SheetFieldCount; ++i) {
        bool ok = false;
        choice[i] = numbers[i].toInt(&ok);
        if (!ok || choice[i] < -1)
            return std::nullopt;
    }
    return choice;
}
} // namespace

QString sheetFieldName(SheetField field)
{
    switch (field) {
    case SheetField::SupplierCuit:
        return QStringLiteral("CUIT");
    case SheetField::CompanyName:
        return QStringLiteral("Razón Social");
    case SheetField::Date:
        return QStringLiteral("Fecha");
    case SheetField::Receipt:
        return QStringLiteral("Comprobante");
    case SheetField::InvoiceAmount:
        return QStringLiteral("Importe Comprobante");
    case SheetField::WithheldAmount:
        return QStringLiteral("Importe Retención");
    case SheetField::AgentCuit:
        return QStringLiteral("CUIT Agente");
    }
    return {};
}

QString normalisedTitle(const QString &title)
{
    // Letters lose their accents in the decomposed form; then only ASCII letters and digits stay.
    const QString decomposed = title.normalized(QString::NormalizationForm_D);
    QString result;
    result.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const char16_t u = c.unicode();
        if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9'))
            result += c;
        else if (u >= 'A' && u <= 'Z')
            result += QChar(u + ('a' - 'A'));
    }
    return result;
}

std::optional<SheetField> fieldOfTitle(const QString &title)
{
    const auto found = titles().constFind(normalisedTitle(title));
    if (found == titles().constEnd())
        return std::nullopt;
    return *found;
}

ColumnSearch findColumns(const QStringList &titleList)
{
    ColumnSearch search;
    search.choice.fill(-1);
    std::array<int, SheetFieldCount> claims{};
    for (int column = 0; column < titleList.size(); ++column) {
        const std::optional<SheetField> field = fieldOfTitle(titleList[column]);
        if (!field)
            continue;
        const int f = static_cast<int>(*field);
        if (claims[f]++ == 0)
            search.choice[f] = column;
    }
    for (int f = 0; f < NeededFields; ++f) {
        if (claims[f] == 0)
            search.missing << static_cast<SheetField>(f);
        else if (claims[f] > 1)
            search.claimedTwice << static_cast<SheetField>(f);
    }
    if (claims[static_cast<int>(SheetField::AgentCuit)] > 1)
        search.choice[static_cast<int>(SheetField::AgentCuit)] = -1;
    return search;
}

bool isUsableChoice(const ColumnChoice &choice, qsizetype columns)
{
    for (int f = 0; f < SheetFieldCount; ++f) {
        const int column = choice[f];
        if (column < -1 || column >= columns || (f < NeededFields && column < 0))
            return false;
        for (int g = 0; g < f; ++g)
            if (column >= 0 && choice[g] == column)
                return false;
    }
    return true;
}

std::optional<ColumnChoice> rememberedChoice(const QByteArray &memory, const QStringList &titles)
{
    const QByteArray key = layoutKey(titles).toUtf8();
    for (const QByteArray &line : memory.split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab < 0 || QByteArrayView(line).first(tab) != key)
            continue;
        const std::optional<ColumnChoice> choice = parseChoice(line.sliced(tab + 1).trimmed());
        if (choice && isUsableChoice(*choice, titles.size()))
            return choice;
    }
    return std::nullopt;
}

QByteArray rememberChoice(const QByteArray &memory, const QStringList &titles, const ColumnChoice &choice)
{
    const QByteArray key = layoutKey(titles).toUtf8();
    QByteArray line = key + '\t';
    for (int f = 0; f < SheetFieldCount; ++f)
        line += (f ? "," : "") + QByteArray::number(choice[f]);
    QByteArray result = line + '\n';
    qsizetype kept = 1;
    for (const QByteArray &old : memory.split('\n')) {
        const qsizetype tab = old.indexOf('\t');
        if (tab < 0 || QByteArrayView(old).first(tab) == key || kept >= RememberedLayouts)
            continue;
        result += old.trimmed() + '\n';
        ++kept;
    }
    return result;
}

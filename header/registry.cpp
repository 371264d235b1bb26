#include "header/registry.h"

#include "common/text_helpers.h"
#include "header/builtin_registry.h"

#include <stdexcept>

namespace {
QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
} // namespace

const QString &Tabla::cell(int horizontal, int vertical) const
{
    if (!Horizontal::contains(horizontal) || !Vertical::contains(vertical))
        throw std::out_of_range("Tabla index out of range");
    return cells_[vertical - Vertical::first][horizontal - Horizontal::first];
}

void Tabla::load(std::span<const AgentRecord> records)
{
    if (records.size() > std::size_t(Vertical::count))
        throw std::length_error("more agent records than Tabla has rows");
    for (auto &row : cells_)
        row.fill(QString());
    int row = 0;
    for (const AgentRecord &record : records) {
        cells_[row][CuitColumn - Horizontal::first] = record.cuit;
        cells_[row][RazonColumn - Horizontal::first] = record.razon;
        cells_[row][LegajoColumn - Horizontal::first] = record.legajo;
        ++row;
    }
    loadedRows_ = row;
}

void Tabla::loadBuiltIn()
{
    const QList<AgentRecord> records = builtInAgents();
    load(records);
}

QList<AgentRecord> builtInAgents()
{
    QList<AgentRecord> records;
    records.reserve(qsizetype(builtInAgentRecords().size()));
    for (const BuiltInAgentRecord &record : builtInAgentRecords())
        records.append({fromUtf8(record.cuit), fromUtf8(record.razon), fromUtf8(record.legajo)});
    return records;
}

AgentLookup lookUpAgent(const Tabla &tabla, const QString &legajoText)
{
    const QString key = TrimBlanks(legajoText);
    if (key.isEmpty())
        return {true, QString(), QString()};
    AgentLookup result;
    for (int row = Vertical::first; row <= tabla.loadedRows(); ++row) {
        if (TrimBlanks(tabla.cell(Tabla::LegajoColumn, row)) == key) {
            result.found = true;
            result.cuit = tabla.cell(Tabla::CuitColumn, row);
            result.razon = tabla.cell(Tabla::RazonColumn, row);
        }
    }
    return result;
}

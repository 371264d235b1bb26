#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// What a column of a sheet holds for the import. The first six are needed; the agent's CUIT is
// checked against the header when the sheet has it.
enum class SheetField { SupplierCuit, CompanyName, Date, Receipt, InvoiceAmount, WithheldAmount, AgentCuit };
constexpr int NeededFields = 6;
constexpr int SheetFieldCount = 7;

// For each field, the index of its column in the sheet, or -1.
using ColumnChoice = std::array<int, SheetFieldCount>;

// A field's name as the clerk reads it ("CUIT", "Razón Social", ...).
QString sheetFieldName(SheetField field);

// A title with case, accents, blanks and punctuation taken away: "Nro. Comprobante" and
// "NRO COMPROBANTE" both give "nrocomprobante".
QString normalisedTitle(const QString &title);

// The field a title names, if any.
std::optional<SheetField> fieldOfTitle(const QString &title);

struct ColumnSearch {
    ColumnChoice choice{};
    // Needed fields no title names, and needed fields two or more titles name.
    QList<SheetField> missing;
    QList<SheetField> claimedTwice;
    bool complete() const { return missing.isEmpty() && claimedTwice.isEmpty(); }
};

// The columns the titles name, in any order; columns of other titles are ignored. An agent
// CUIT named twice is not checked.
ColumnSearch findColumns(const QStringList &titles);

// Whether every needed field has a column, no column serves two fields, and every index
// lies within the titles.
bool isUsableChoice(const ColumnChoice &choice, qsizetype columns);

// The choices the clerk made for sheets whose titles named no column, or two, for a field, kept
// as lines "titles<TAB>indexes", the newest first. Lines that do not read are ignored, so a
// damaged or foreign file costs only the memory.
std::optional<ColumnChoice> rememberedChoice(const QByteArray &memory, const QStringList &titles);
// The memory with this choice first in place of any earlier one for the same titles, keeping at
// most a few dozen.
QByteArray rememberChoice(const QByteArray &memory, const QStringList &titles, const ColumnChoice &choice);

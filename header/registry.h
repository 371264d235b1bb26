#pragma once

#include <QList>
#include <QString>

#include <array>
#include <span>

// Index ranges of the registry: columns 1..3 (CUIT, company name, legajo), rows 1..1000.
template <int Low, int High> struct IndexRange {
    static constexpr int first = Low;
    static constexpr int last = High;
    static constexpr int count = High - Low + 1;
    static constexpr bool contains(int i) { return i >= Low && i <= High; }
};
using Horizontal = IndexRange<1, 3>;
using Vertical = IndexRange<1, 1000>;

struct AgentRecord {
    QString cuit;
    QString razon;
    QString legajo;
};

// The agent registry: a grid of texts, one agent record per row, every cell empty until loaded.
class Tabla {
public:
    static constexpr int CuitColumn = 1;
    static constexpr int RazonColumn = 2;
    static constexpr int LegajoColumn = 3;

    // Throws std::out_of_range outside Horizontal x Vertical.
    const QString &cell(int horizontal, int vertical) const;

    // Rows 1..loadedRows() hold the records of the last load.
    int loadedRows() const { return loadedRows_; }

    // Empties every cell, then fills rows 1..n in the given order. More records than rows is
    // a programming fault (the build refuses such a data file): std::length_error.
    void load(std::span<const AgentRecord> records);

    // Loads the registry the program was built with.
    void loadBuiltIn();

private:
    std::array<std::array<QString, Horizontal::count>, Vertical::count> cells_;
    int loadedRows_ = 0;
};

// The registry as compiled in, in data-file order.
QList<AgentRecord> builtInAgents();

struct AgentLookup {
    bool found = false;
    QString cuit;
    QString razon;
};

// Looks up the agent of a legajo as typed. The key is compared as trimmed text, so "0512" does
// not find legajo 512; when several rows carry the key the last one wins; an empty key is found
// with empty values; a record with an empty legajo is never selected.
AgentLookup lookUpAgent(const Tabla &tabla, const QString &legajoText);

#pragma once

#include <QString>

#include <optional>

class Connection;

// What the certificates say of the withholding agent besides its name and CUIT: its domicile,
// and who signs them and in what position. Kept in table AGENTE, one row per legajo, shared by
// every clerk on the database.
struct AgentDetails {
    QString domicile; // up to 100 characters
    QString signer;   // up to 60
    QString position; // up to 60

    bool empty() const
    {
        return domicile.trimmed().isEmpty() && signer.trimmed().isEmpty() && position.trimmed().isEmpty();
    }
};

inline constexpr int DomicileLength = 100;
inline constexpr int SignerLength = 60;
inline constexpr int PositionLength = 60;

// Whether the database has table AGENTE (one cached look-up per attachment is not needed: the
// window asks seldom). Raises DatabaseError when the database cannot be read.
bool hasAgentTable(Connection &connection);

// The details of the legajo (leading zeros aside); nothing when the database has no table AGENTE
// or no row for it. Raises DatabaseError when the database cannot be read.
std::optional<AgentDetails> readAgentDetails(Connection &connection, const QString &legajo);

// Stores the details of the legajo, replacing what was there, each trimmed and cut to its
// column. Raises DatabaseError when the database refuses (no table, no grants).
void saveAgentDetails(Connection &connection, const QString &legajo, const AgentDetails &details);

// The legajo as table AGENTE keys it: its number; nothing for one that is not a number.
std::optional<int> agentKey(const QString &legajo);

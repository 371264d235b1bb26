#include "certificates/agent_details.h"

#include "common/text_helpers.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"

namespace {
const QString HasAgentTable =
    QStringLiteral("select count(*) from rdb$relations where rdb$relation_name = 'AGENTE'");
const QString ReadAgent =
    QStringLiteral("select DOMICILIO, FIRMANTE, CARGO from AGENTE where LEGAJO = :legajo");
const QString SaveAgent = QStringLiteral(
    "update or insert into AGENTE (LEGAJO, DOMICILIO, FIRMANTE, CARGO) values (:legajo, :domicilio, "
    ":firmante, :cargo) matching (LEGAJO)");

QString column(const QString &text, int length)
{
    return TrimBlanks(text).left(length);
}
} // namespace

std::optional<int> agentKey(const QString &legajo)
{
    bool ok = false;
    const int key = TrimBlanks(legajo).toInt(&ok);
    if (!ok || key < 0)
        return std::nullopt;
    return key;
}

bool hasAgentTable(Connection &connection)
{
    Transaction look(connection, Transaction::Mode::ReadOnly);
    Query q(look);
    q.setSql(HasAgentTable);
    q.open();
    const bool exists = q.next() && q.number(0) > 0;
    q.close();
    look.rollback();
    return exists;
}

std::optional<AgentDetails> readAgentDetails(Connection &connection, const QString &legajo)
{
    const std::optional<int> key = agentKey(legajo);
    if (!key || !hasAgentTable(connection))
        return std::nullopt;
    Transaction look(connection, Transaction::Mode::ReadOnly);
    Query q(look);
    q.setSql(ReadAgent);
    q.setText(QStringLiteral("legajo"), QString::number(*key));
    q.open();
    std::optional<AgentDetails> details;
    if (q.next())
        details = AgentDetails{TrimBlanks(q.text(0)), TrimBlanks(q.text(1)), TrimBlanks(q.text(2))};
    q.close();
    look.rollback();
    return details;
}

void saveAgentDetails(Connection &connection, const QString &legajo, const AgentDetails &details)
{
    const std::optional<int> key = agentKey(legajo);
    if (!key)
        return;
    Transaction work(connection, Transaction::Mode::ReadCommitted);
    Query q(work);
    q.setSql(SaveAgent);
    q.setText(QStringLiteral("legajo"), QString::number(*key));
    q.setText(QStringLiteral("domicilio"), column(details.domicile, DomicileLength));
    q.setText(QStringLiteral("firmante"), column(details.signer, SignerLength));
    q.setText(QStringLiteral("cargo"), column(details.position, PositionLength));
    q.execute();
    q.close();
    work.commit();
}

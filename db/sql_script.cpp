#include "db/sql_script.h"

#include "db/transaction.h"

#include <QRegularExpression>

namespace {
// The statement without its comments, to recognise empty pieces and SET TERM.
QString withoutComments(const QString &text)
{
    QString out;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const qsizetype end = text.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? n : end + 1;
            out += QStringView(text).mid(i, stop - i);
            i = stop;
        } else if (text.mid(i, 2) == QLatin1String("--")) {
            const qsizetype end = text.indexOf(QLatin1Char('\n'), i);
            i = end < 0 ? n : end;
        } else if (text.mid(i, 2) == QLatin1String("/*")) {
            const qsizetype end = text.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            out += QLatin1Char(' ');
        } else {
            out += c;
            ++i;
        }
    }
    return out.trimmed();
}
} // namespace

QStringList splitSqlScript(const QString &script)
{
    static const QRegularExpression setTerm(QStringLiteral("^SET\\s+TERM\\s+(\\S+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    QStringList statements;
    QString terminator = QStringLiteral(";");
    const qsizetype n = script.size();
    qsizetype start = 0;
    qsizetype i = 0;
    auto finish = [&](qsizetype end) {
        const QString statement = script.mid(start, end - start);
        const QString bare = withoutComments(statement);
        const QRegularExpressionMatch m = setTerm.match(bare);
        if (m.hasMatch())
            terminator = m.captured(1);
        else if (!bare.isEmpty())
            statements.append(statement.trimmed());
    };
    while (i < n) {
        const QChar c = script.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const qsizetype end = script.indexOf(c, i + 1);
            i = end < 0 ? n : end + 1;
        } else if (script.mid(i, 2) == QLatin1String("--")) {
            const qsizetype end = script.indexOf(QLatin1Char('\n'), i);
            i = end < 0 ? n : end;
        } else if (script.mid(i, 2) == QLatin1String("/*")) {
            const qsizetype end = script.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 2;
        } else if (QStringView(script).mid(i).startsWith(terminator)) {
            const qsizetype length = terminator.size(); // SET TERM replaces it
            finish(i);
            i += length;
            start = i;
        } else {
            ++i;
        }
    }
    finish(n);
    return statements;
}

void runSqlScript(Transaction &transaction, const QString &script)
{
    static const QRegularExpression commit(QStringLiteral("^COMMIT(\\s+WORK)?$"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QStringList statements = splitSqlScript(script);
    for (const QString &statement : statements) {
        if (!commit.match(withoutComments(statement)).hasMatch())
            transaction.executeImmediate(statement);
        transaction.commitRetaining();
    }
    transaction.commit();
}

QStringList grantsForUser(const QString &script, const QString &user)
{
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z][A-Za-z0-9_$]{0,62}$"));
    if (!identifier.match(user).hasMatch())
        return {};
    const QRegularExpression grantee(QStringLiteral("\\bTO\\s+USER\\s+%1\\s*$").arg(ScriptGrantee),
                                     QRegularExpression::CaseInsensitiveOption);
    QStringList grants;
    for (const QString &statement : splitSqlScript(script)) {
        QString grant = withoutComments(statement).trimmed();
        if (!grant.startsWith(QLatin1String("GRANT"), Qt::CaseInsensitive))
            continue;
        if (grant.contains(grantee))
            grants << grant.replace(grantee, QStringLiteral("TO USER ") + user);
    }
    return grants;
}

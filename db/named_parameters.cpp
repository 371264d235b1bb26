#include "db/named_parameters.h"

namespace {
bool isNameStart(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || c == QLatin1Char('_');
}

bool isNamePart(QChar c)
{
    return isNameStart(c) || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('$');
}
} // namespace

NamedParameters parseNamedParameters(const QString &sql)
{
    NamedParameters result;
    result.sql.reserve(sql.size());
    const qsizetype n = sql.size();
    qsizetype i = 0;
    // Copies up to and including the end marker (or to the end of the text).
    auto copyThrough = [&](const QString &end) {
        const qsizetype at = sql.indexOf(end, i);
        const qsizetype stop = at < 0 ? n : at + end.size();
        result.sql += QStringView(sql).mid(i, stop - i);
        i = stop;
    };
    while (i < n) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // A doubled quote inside is an escaped quote: the next literal simply starts there.
            result.sql += c;
            ++i;
            copyThrough(QString(c));
        } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            copyThrough(QStringLiteral("\n"));
        } else if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
            result.sql += QLatin1String("/*");
            i += 2;
            copyThrough(QStringLiteral("*/"));
        } else if (c == QLatin1Char(':') && i + 1 < n && isNameStart(sql.at(i + 1))) {
            qsizetype end = i + 1;
            while (end < n && isNamePart(sql.at(end)))
                ++end;
            result.names.append(sql.mid(i + 1, end - i - 1));
            result.sql += QLatin1Char('?');
            i = end;
        } else {
            result.sql += c;
            ++i;
        }
    }
    return result;
}

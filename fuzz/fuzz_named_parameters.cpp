// Rewrites arbitrary statements' named parameters to "?" markers and checks that the
// rewrite only replaced parameters: putting each name back at its marker gives the statement
// again, every name is whole, and a second rewrite finds nothing left to replace.
#include "db/named_parameters.h"
#include "fuzz/fuzz_support.h"

#include <QString>

#include <cstdint>

namespace {
bool isNamePart(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('_') || c == QLatin1Char('$');
}

void checkRewrite(const QString &sql)
{
    const NamedParameters parsed = parseNamedParameters(sql);
    // Walk the statement and the rewrite side by side: a marker the statement also has is
    // its own "?", any other stands for the next name.
    qsizetype i = 0;
    qsizetype next = 0;
    for (const QChar c : parsed.sql) {
        if (i < sql.size() && sql.at(i) == c) {
            ++i;
            continue;
        }
        if (c != QLatin1Char('?') || next >= parsed.names.size())
            failInvariant("named parameters", "the rewrite changed more than the parameters");
        const QString &name = parsed.names.at(next++);
        if (name.isEmpty() || name.at(0).isDigit() || name.at(0) == QLatin1Char('$'))
            failInvariant("named parameters", "a name that does not start as a name");
        for (const QChar n : name) {
            if (!isNamePart(n))
                failInvariant("named parameters", "a name holds a character no name has");
        }
        if (QStringView(sql).mid(i, name.size() + 1) != QString(QLatin1Char(':') + name))
            failInvariant("named parameters", "a name is not the one at its marker");
        i += name.size() + 1;
        if (i < sql.size() && isNamePart(sql.at(i)))
            failInvariant("named parameters", "a name was cut short");
    }
    if (i != sql.size() || next != parsed.names.size())
        failInvariant("named parameters", "the rewrite lost part of the statement");
    const NamedParameters again = parseNamedParameters(parsed.sql);
    if (!again.names.isEmpty() || again.sql != parsed.sql)
        failInvariant("named parameters", "a second rewrite found a parameter");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The statements are program texts: take the bytes both as Latin-1 and as UTF-8.
    const char *text = reinterpret_cast<const char *>(data);
    const auto length = static_cast<qsizetype>(size);
    checkRewrite(QString::fromLatin1(text, length));
    checkRewrite(QString::fromUtf8(text, length));
    return 0;
}

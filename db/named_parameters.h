#pragma once

#include <QString>
#include <QStringList>

// A statement with named parameters (":name") rewritten for the client, which knows only
// positional "?" markers. Names inside string literals, quoted identifiers and comments
// are left alone.
struct NamedParameters {
    QString sql;       // the text with every parameter replaced by "?"
    QStringList names; // the name at each position, as written (a name may repeat)
};

NamedParameters parseNamedParameters(const QString &sql);

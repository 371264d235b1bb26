#pragma once

// A year of declarations written to a folder and recorded in table DECLARACION as a generation
// records them, for the tests and the benchmark of a supplier's certificates for a year.
#include "common/text_file.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "declaration/declaration_file.h"
#include "declaration/filed_declaration.h"

#include <QDir>

// Writes the declaration of `month` (legajo 415) with `rows` and records it as version `version`.
inline FiledDeclaration recordDeclaration(Connection &connection, const QString &folder, int year, int month,
                                          const QList<Withholding> &rows, int version = 1)
{
    const DeclarationHeader header{QStringLiteral("415"), QString::number(month), QString::number(year),
                                   QStringLiteral("30-71234567-1"), QString::fromUtf8("MUÑOZ Y CÍA S.A.")};
    FiledDeclaration d;
    d.legajo = header.legajo;
    d.year = year;
    d.month = month;
    d.baseName = declarationBaseName(header.year, header.month, header.legajo);
    d.version = version;
    d.file = QDir(folder).filePath(d.baseName + QStringLiteral(".txt"));
    TextFile f;
    writeDeclarationFile(f, d.file, header, rows);
    d.sha256 = fileSha256(d.file);
    Transaction work(connection);
    Query q(work);
    q.setSql(QStringLiteral(
        "insert into declaracion (legajo, anio, mes, base, version, confirmada, filas, total, sha256, bytes, "
        "agente, equipo, archivo, listado) values (:legajo, :anio, :mes, :base, :version, "
        "dateadd(:version second to timestamp '2018-01-10 10:00:00'), :filas, 0, :sha256, 0, :agente, "
        ":equipo, "
        ":archivo, :listado)"));
    q.setText(QStringLiteral("legajo"), d.legajo);
    q.setText(QStringLiteral("anio"), QString::number(year));
    q.setText(QStringLiteral("mes"), QString::number(month));
    q.setText(QStringLiteral("base"), d.baseName);
    q.setText(QStringLiteral("version"), QString::number(version));
    q.setText(QStringLiteral("filas"), QString::number(rows.size()));
    q.setText(QStringLiteral("sha256"), QString::fromLatin1(d.sha256));
    q.setUnicodeText(QStringLiteral("agente"), header.agentName);
    q.setUnicodeText(QStringLiteral("equipo"), thisMachine());
    q.setUnicodeText(QStringLiteral("archivo"), d.file);
    q.setUnicodeText(QStringLiteral("listado"), d.file.chopped(4) + QStringLiteral(".pdf"));
    q.execute();
    work.commit();
    return d;
}

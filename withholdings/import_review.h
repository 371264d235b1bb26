#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A line of an imported file that became a grid row, as it was read.
struct SourceLine {
    int lineNumber = 0; // 1-based, counting every line read, skipped ones included
    QString text;
};

// What the imported lines are compared with: the header's agent CUIT, year and month texts.
struct DeclaredHeader {
    QString agentCuit;
    QString year;
    QString month;
};

// The lines an import should have the clerk look at, one text each: a supplier CUIT that
// fails the check, another agent's CUIT, another declared year or month. Confirming would
// declare them all as the header's agent and period, which is seldom what such a file means.
QStringList linesToReview(const QList<SourceLine> &lines, const DeclaredHeader &header);

// The box's text for that many lines.
QString reviewMessage(qsizetype lines);

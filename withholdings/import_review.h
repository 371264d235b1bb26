#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

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

// The same review one line at a time, as a file is read, so that its lines need not be kept.
class LineReview {
public:
    explicit LineReview(DeclaredHeader header);
    ~LineReview();
    LineReview(const LineReview &) = delete;
    LineReview &operator=(const LineReview &) = delete;

    // Adds the line's text to review to details when it has something to show.
    void review(int lineNumber, QStringView text, QStringList &details) const;

private:
    struct Declared;
    std::unique_ptr<const Declared> declared_;
};

// The box's text for that many lines.
QString reviewMessage(qsizetype lines);

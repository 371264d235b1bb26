#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Reads a PDF back with the command-line tools, so tests check the file any reader sees.
struct PdfWord {
    int page = 0; // 1-based
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    QString text;
};

struct ToolResult {
    int exitCode = -1;
    QByteArray output; // stdout and stderr together
};

ToolResult runTool(const QString &program, const QStringList &arguments);
int pageCount(const QString &pdf);
std::vector<PdfWord> wordsOf(const QString &pdf);
// The words of one page whose yMin lies within 0.5 pt of the given line, left to right.
QString lineAt(const std::vector<PdfWord> &words, int page, double yMin);
const PdfWord *findWord(const std::vector<PdfWord> &words, int page, const QString &text);
int countWords(const std::vector<PdfWord> &words, int page, const QString &text);

#include "tests/report/pdf_probe.h"

#include <QProcess>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>

ToolResult runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAll()};
}

int pageCount(const QString &pdf)
{
    const ToolResult r = runTool("qpdf", {"--show-npages", pdf});
    return r.exitCode == 0 ? r.output.trimmed().toInt() : -1;
}

std::vector<PdfWord> wordsOf(const QString &pdf)
{
    const ToolResult r = runTool("pdftotext", {"-bbox-layout", pdf, "-"});
    std::vector<PdfWord> words;
    QXmlStreamReader xml(r.output);
    int page = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("page")) {
            ++page;
        } else if (xml.name() == QLatin1String("word")) {
            const auto a = xml.attributes();
            PdfWord w;
            w.page = page;
            w.xMin = a.value("xMin").toDouble();
            w.yMin = a.value("yMin").toDouble();
            w.xMax = a.value("xMax").toDouble();
            w.yMax = a.value("yMax").toDouble();
            w.text = xml.readElementText();
            words.push_back(w);
        }
    }
    return words;
}

QString lineAt(const std::vector<PdfWord> &words, int page, double yMin)
{
    std::vector<PdfWord> line;
    for (const PdfWord &w : words)
        if (w.page == page && std::abs(w.yMin - yMin) <= 0.5)
            line.push_back(w);
    std::sort(line.begin(), line.end(), [](const PdfWord &a, const PdfWord &b) { return a.xMin < b.xMin; });
    QStringList texts;
    for (const PdfWord &w : line)
        texts << w.text;
    return texts.join(' ');
}

const PdfWord *findWord(const std::vector<PdfWord> &words, int page, const QString &text)
{
    for (const PdfWord &w : words)
        if (w.page == page && w.text == text)
            return &w;
    return nullptr;
}

int countWords(const std::vector<PdfWord> &words, int page, const QString &text)
{
    return static_cast<int>(std::count_if(
        words.begin(), words.end(), [&](const PdfWord &w) { return w.page == page && w.text == text; }));
}

// Reads arbitrary bytes as a text file the way the import and the reload read a loaded file, and
// compares the lines with a plain reading of the same bytes held in memory.
#include "common/codepage.h"
#include "common/text_file.h"
#include "fuzz/fuzz_support.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    TextFile v;
    OpenTextOverBytes(v, bytes);
    if (TakeIoError() != 0)
        failInvariant("text reader", "open failed");

    QList<QString> lines;
    // Every round consumes at least one byte, so the loop ends within size rounds.
    qsizetype rounds = 0;
    while (!AtTextEnd(v)) {
        if (++rounds > static_cast<qsizetype>(size))
            failInvariant("text reader", "reading does not end");
        const QString line = ReadLineText(v);
        if (line.contains(QChar('\r')) || line.contains(QChar('\n')) || line.contains(QChar(26)))
            failInvariant("text reader", "a line holds a line end or an end-of-file mark");
        lines.append(line);
        SkipPastLineEnd(v);
        if (TakeIoError() != 0)
            failInvariant("text reader", "a read failed");
    }
    if (TakeIoError() != 0)
        failInvariant("text reader", "the end test failed");
    CloseTextFile(v);
    if (TakeIoError() != 0)
        failInvariant("text reader", "close failed");

    const QList<QByteArray> expected = plainReading(bytes);
    if (lines.size() != expected.size())
        failInvariant("text reader", "line count differs from the plain reading");
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i] != FromSystemCodePage(expected[i]))
            failInvariant("text reader", "a line differs from the plain reading");
    }
    return 0;
}

// Reads arbitrary bytes as a text file the way the import and the reload read a loaded file, and
// compares the lines with a plain reading of the same bytes held in memory.
#include "common/codepage.h"
#include "common/text_file.h"
#include "fuzz/fuzz_support.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    TextFile v;
    OpenTextOverBytes(v, bytes);
    if (TakeIoError() != 0)
        failInvariant("text reader", "open failed");

    // Each line read is checked against the plain reading as it comes; a reading that does
    // not end runs past the plain reading's lines and stops there.
    const QList<QByteArray> expected = plainReading(bytes);
    qsizetype count = 0;
    while (!AtTextEnd(v)) {
        if (count == expected.size())
            failInvariant("text reader", "more lines than the plain reading");
        const QString line = ReadLineText(v);
        if (line.contains(QChar('\r')) || line.contains(QChar('\n')) || line.contains(QChar(26)))
            failInvariant("text reader", "a line holds a line end or an end-of-file mark");
        if (line != FromSystemCodePage(expected[count++]))
            failInvariant("text reader", "a line differs from the plain reading");
        SkipPastLineEnd(v);
        if (TakeIoError() != 0)
            failInvariant("text reader", "a read failed");
    }
    if (TakeIoError() != 0)
        failInvariant("text reader", "the end test failed");
    if (count != expected.size())
        failInvariant("text reader", "fewer lines than the plain reading");
    CloseTextFile(v);
    if (TakeIoError() != 0)
        failInvariant("text reader", "close failed");
    return 0;
}

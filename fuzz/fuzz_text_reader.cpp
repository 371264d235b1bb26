// Reads arbitrary bytes as a text file the way every reader of the program does and
// compares the lines with a plain reading of the same bytes held in memory.
#include "codepage.h"
#include "text_file.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Lines as the reading rule defines them, without any buffer.
QList<QByteArray> plainReading(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n && bytes[i] != 26) {
        QByteArray line;
        while (i < n) {
            const char c = bytes[i];
            if (c == '\n')
                break;
            ++i;
            if (c == 26)
                break;
            if (c == '\r') {
                if (i < n && bytes[i] == '\n')
                    break;
                continue;
            }
            line.append(c);
        }
        while (i < n && bytes[i] != '\n')
            ++i;
        if (i < n)
            ++i;
        lines.append(line);
    }
    return lines;
}

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "text reader invariant broken: %s\n", what);
    std::abort();
}

// One file for the whole run, removed when the fuzzer exits.
struct ScratchFile {
    ScratchFile()
    {
        char pattern[] = "/tmp/fuzz_text_reader_XXXXXX";
        const int fd = ::mkstemp(pattern);
        if (fd < 0)
            fail("no scratch file");
        ::close(fd);
        name = QFile::decodeName(pattern);
    }
    ~ScratchFile() { QFile::remove(name); }
    QString name;
};

const QString &scratchFile()
{
    static const ScratchFile file;
    return file.name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    {
        QFile out(scratchFile());
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
            fail("cannot write the scratch file");
    }

    TextFile v;
    BindTextFile(v, scratchFile());
    OpenTextForReading(v);
    if (TakeIoError() != 0)
        fail("open failed");

    QList<QString> lines;
    // Every round consumes at least one byte, so the loop ends within size rounds.
    qsizetype rounds = 0;
    while (!AtTextEnd(v)) {
        if (++rounds > static_cast<qsizetype>(size))
            fail("reading does not end");
        const QString line = ReadLineText(v);
        if (line.contains(QChar('\r')) || line.contains(QChar('\n')) || line.contains(QChar(26)))
            fail("a line holds a line end or an end-of-file mark");
        lines.append(line);
        SkipPastLineEnd(v);
        if (TakeIoError() != 0)
            fail("a read failed");
    }
    if (TakeIoError() != 0)
        fail("the end test failed");
    CloseTextFile(v);
    if (TakeIoError() != 0)
        fail("close failed");

    const QList<QByteArray> expected = plainReading(bytes);
    if (lines.size() != expected.size())
        fail("line count differs from the plain reading");
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i] != FromSystemCodePage(expected[i]))
            fail("a line differs from the plain reading");
    }
    return 0;
}

#pragma once

// What the file-reading fuzz targets share: a way to stop on a broken invariant, and the lines
// of an input as the reading rule defines them, worked out without any buffer. The targets
// read each input from memory with the program's own reading (OpenTextOverBytes).
#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void failInvariant(const char *target, const char *what)
{
    std::fprintf(stderr, "%s invariant broken: %s\n", target, what);
    std::abort();
}

// Lines as the reading rule defines them, without any buffer.
inline QList<QByteArray> plainReading(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    lines.reserve(bytes.count('\n') + 1);
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    QByteArray line;
    while (i < n && bytes[i] != 26) {
        line.clear();
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

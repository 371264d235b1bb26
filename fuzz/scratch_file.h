#pragma once

// What the file-reading fuzz targets share: a way to stop on a broken invariant, one scratch
// file per run that holds each input before the program reads it, and the lines of the
// input as the reading rule defines them, worked out without any buffer.
#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

[[noreturn]] inline void failInvariant(const char *target, const char *what)
{
    std::fprintf(stderr, "%s invariant broken: %s\n", target, what);
    std::abort();
}

// Writes the input to the run's scratch file and names it. The file lives in memory (a
// memfd) and is named through /proc/self/fd, so the program opens and reads it with its own
// code, system calls included, while nothing goes to a disk.
inline const QString &writeScratchFile(const uint8_t *data, size_t size)
{
    struct ScratchFile {
        ScratchFile()
        {
            fd = ::memfd_create("fuzz_input", MFD_CLOEXEC);
            if (fd < 0)
                failInvariant("scratch file", "cannot be made");
            name = QStringLiteral("/proc/self/fd/%1").arg(fd);
        }
        int fd = -1;
        QString name;
    };
    static const ScratchFile file;

    if (::ftruncate(file.fd, 0) != 0)
        failInvariant("scratch file", "cannot be emptied");
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(file.fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0)
            failInvariant("scratch file", "cannot be written");
        done += static_cast<size_t>(n);
    }
    return file.name;
}

// Lines as the reading rule defines them, without any buffer.
inline QList<QByteArray> plainReading(const QByteArray &bytes)
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

#pragma once

// What the file-reading fuzz targets share: a way to stop on a broken invariant, and one
// scratch file per run that each input is written to before the program reads it.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

[[noreturn]] inline void failInvariant(const char *target, const char *what)
{
    std::fprintf(stderr, "%s invariant broken: %s\n", target, what);
    std::abort();
}

// Writes the input to the run's scratch file (removed when the fuzzer exits) and names it.
inline const QString &writeScratchFile(const uint8_t *data, size_t size)
{
    struct ScratchFile {
        ScratchFile()
        {
            char pattern[] = "/tmp/fuzz_scratch_XXXXXX";
            const int fd = ::mkstemp(pattern);
            if (fd < 0)
                failInvariant("scratch file", "cannot be made");
            ::close(fd);
            name = QFile::decodeName(pattern);
        }
        ~ScratchFile() { QFile::remove(name); }
        QString name;
    };
    static const ScratchFile file;

    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QFile out(file.name);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
        failInvariant("scratch file", "cannot be written");
    return file.name;
}

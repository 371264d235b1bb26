// Run as an office's user by the clerk tests: "write DECLARATION SHA256" makes the declaration's
// certificates as F8 does (exit 0, or 3 with the clerk's message when refused); "swap FOLDER A B
// SECONDS" exchanges the names A and B in FOLDER over and over, as a neighbour's loop would.
#include "certificates/certificates.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("write")) {
        try {
            const CertificatesWritten written = writeCertificates(args[2], args[3]);
            std::printf("%s\n", qPrintable(written.pdfPath));
            return 0;
        } catch (const CertificateError &e) {
            std::printf("%s\n", e.what());
            return 3;
        }
    }
    if (args.size() == 6 && args[1] == QLatin1String("swap")) {
        const int folder = ::open(QFile::encodeName(args[2]).constData(), O_RDONLY | O_DIRECTORY);
        const QByteArray a = QFile::encodeName(args[3]), b = QFile::encodeName(args[4]);
        QElapsedTimer clock;
        clock.start();
        long swaps = 0;
        while (clock.elapsed() < args[5].toLong() * 1000)
            if (::renameat2(folder, a.constData(), folder, b.constData(), RENAME_EXCHANGE) == 0)
                ++swaps;
        std::printf("%ld swaps\n", swaps);
        return swaps > 0 ? 0 : 1;
    }
    std::fprintf(stderr, "usage: certificates_child write DECLARATION SHA256 | swap FOLDER A B SECONDS\n");
    return 2;
}

#include "certificates/certificates.h"
#include "common/text_file.h"
#include "declaration/declaration_file.h"
#include "declaration/filed_declaration.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

// The certificates of a 5,000-withholding declaration: the file read, checked against its
// fingerprint, 5,000 pages laid out and the PDF written.
static void writeFiveThousandCertificates(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("17A00415.txt"));
    const DeclarationHeader header{QStringLiteral("415"), QStringLiteral("10"), QStringLiteral("2017"),
                                   QStringLiteral("30-71234567-1"), QStringLiteral("EMPRESA DEL SUR S.A.")};
    QList<Withholding> rows;
    for (int i = 1; i <= 5000; ++i)
        rows.append({QString::number(i), QStringLiteral("05/10/2017"),
                     QStringLiteral("%1.50").arg(1000 + i * 37), QString::number((1000 + i * 37) / 200),
                     QStringLiteral("PROVEEDOR NUMERO %1 S.R.L.").arg(i), QStringLiteral("20-12345678-6")});
    TextFile f;
    writeDeclarationFile(f, path, header, rows);
    const std::optional<QString> sha256 = QString::fromLatin1(fileSha256(path));
    qint64 bytes = 0;
    for (auto _ : state) {
        const CertificatesWritten written = writeCertificates(path, sha256);
        benchmark::DoNotOptimize(written.certificates);
        bytes = QFileInfo(written.pdfPath).size();
    }
    state.counters["pdf_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(writeFiveThousandCertificates)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

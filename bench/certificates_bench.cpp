#include "bench/bench_support.h"
#include "certificates/certificates.h"
#include "common/text_file.h"
#include "declaration/declaration_file.h"
#include "declaration/filed_declaration.h"
#include "tests/certificates/recorded_year.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <vector>

// Two figures, each checked before it is timed: the certificates of a 5,000-withholding
// declaration (the file read and checked against its fingerprint, 5,000 pages with their original
// and duplicate, the PDF written), and one supplier's certificates for a year read from the twelve
// declarations recorded in DECLARACION.
namespace {
[[noreturn]] void wrong(const char *what)
{
    std::fprintf(stderr, "wrong answer: %s\n", what);
    std::exit(1);
}

// The PDF's text as any reader sees it.
QString pdfText(const QString &pdf)
{
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    tool.waitForFinished(120000);
    return QString::fromUtf8(tool.readAllStandardOutput());
}

Withholding withholding(int i, int month, const QString &name, const QString &cuit)
{
    return {QString::number(i),
            QStringLiteral("05/%1/2017").arg(month, 2, 10, QLatin1Char('0')),
            QStringLiteral("%1.50").arg(1000 + i * 37),
            QString::number((1000 + i * 37) / 200),
            name,
            cuit};
}

template <typename Run> double medianOf(int runs, Run run)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        run();
        times.push_back(ms(clock));
    }
    return median(times);
}
} // namespace

int main()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("17A00415.txt"));
    const DeclarationHeader header{QStringLiteral("415"), QStringLiteral("10"), QStringLiteral("2017"),
                                   QStringLiteral("30-71234567-1"), QString::fromUtf8("MUÑOZ Y CÍA S.A.")};
    QList<Withholding> rows;
    for (int i = 1; i <= 5000; ++i)
        rows.append(withholding(i, 10, QString::fromUtf8("PROVEEDOR ÑANDÚ NÚMERO %1 S.R.L.").arg(i),
                                QStringLiteral("20-12345678-6")));
    TextFile f;
    writeDeclarationFile(f, path, header, rows);
    const QString sha256 = QString::fromLatin1(fileSha256(path));

    CertificatesWritten written = writeCertificates(path, sha256);
    const QString text = pdfText(written.pdfPath);
    if (written.certificates != 5000 || text.count(QStringLiteral("ORIGINAL")) != 5000 ||
        text.count(QStringLiteral("DUPLICADO")) != 5000 ||
        text.count(QString::fromUtf8("PROVEEDOR ÑANDÚ NÚMERO 4321 S.R.L.")) != 2 ||
        text.count(QStringLiteral("0000000004999")) != 2)
        wrong("the 5,000 certificates");
    const double five = medianOf(5, [&] { written = writeCertificates(path, sha256); });
    std::printf("5,000 certificates: median %.1f ms, PDF %.1f MB\n", five,
                QFileInfo(written.pdfPath).size() / 1e6);

    // A year: twelve declarations of 500 withholdings, 10 of them to the supplier.
    const QString database = freshDatabase(dir.filePath(QStringLiteral("RETENCIONES.FDB")));
    Connection connection(database, RetenStore::UserName, RetenStore::Password);
    const QString yearFolder = dir.filePath(QStringLiteral("anio"));
    QDir().mkpath(yearFolder);
    for (int month = 1; month <= 12; ++month) {
        QList<Withholding> monthRows;
        for (int i = 1; i <= 500; ++i)
            monthRows << withholding(
                month * 1000 + i, month,
                i % 50 == 0 ? QStringLiteral("EL PROVEEDOR") : QStringLiteral("OTRO %1").arg(i),
                i % 50 == 0 ? QStringLiteral("30-71111111-1") : QStringLiteral("20-12345678-6"));
        recordDeclaration(connection, yearFolder, 2017, month, monthRows);
    }
    const YearRequest request{QStringLiteral("30-71111111-1"), 2017, {}, {}};
    written = writeYearCertificates(connection, request);
    const QString year = pdfText(written.pdfPath);
    if (written.certificates != 120 || !written.periodsLeftOut.isEmpty() ||
        year.count(QStringLiteral("EL PROVEEDOR")) != 240 || year.count(QStringLiteral("OTRO")) != 0 ||
        !written.pdfPath.endsWith(QStringLiteral("constancias/2017 30-71111111-1.pdf")))
        wrong("the supplier's year");
    const double twelve = medianOf(21, [&] { written = writeYearCertificates(connection, request); });
    std::printf("a supplier's year from 12 declarations of 500 rows (120 certificates): median %.1f ms\n",
                twelve);
    return 0;
}

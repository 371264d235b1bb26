#include "certificates/certificates.h"

#include "certificates/amount_words.h"
#include "certificates/certificate_layout.h"
#include "common/safe_file.h"
#include "common/text_file.h"
#include "common/text_helpers.h"
#include "report/report_engine.h"
#include "report/row_source.h"
#include "withholdings/declaration_record.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace {
const QString NothingMade = QStringLiteral(" No se generaron las constancias.");

QString field(QStringView line, RecordField f)
{
    return TrimBlanksView(recordFieldView(line, f)).toString();
}

// Nine whole digits and two decimals, as the declaration writes its amounts.
std::optional<qint64> amountCents(QStringView line, RecordField f)
{
    const QStringView digits = recordFieldView(line, f);
    if (digits.size() != 11)
        return std::nullopt;
    qint64 cents = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        cents = cents * 10 + (c.unicode() - u'0');
    }
    return cents;
}

QString amountText(qint64 cents)
{
    return QStringLiteral("%1.%2").arg(cents / 100).arg(cents % 100, 2, 10, QLatin1Char('0'));
}

// The legajo in a declaration's name: two digits of the year, the month code, five digits.
QString legajoOfFileName(const QString &declarationFile)
{
    const QString base = QFileInfo(declarationFile).completeBaseName();
    if (base.size() != 8)
        return {};
    QString legajo = base.mid(3);
    while (legajo.size() > 1 && legajo.startsWith(QLatin1Char('0')))
        legajo.remove(0, 1);
    return legajo;
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
} // namespace

QString sha256Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

std::vector<Certificate> readCertificates(const QByteArray &bytes, const QString &fileName)
{
    TextFile ff;
    OpenTextOverBytes(ff, bytes);
    std::vector<Certificate> certificates;
    certificates.reserve(static_cast<std::size_t>(expectedRecords(bytes.size())));
    int lineNumber = 0;
    while (!AtTextEnd(ff)) {
        const QString line = ReadLineText(ff);
        SkipPastLineEnd(ff);
        ++lineNumber;
        const std::optional<qint64> withheld = amountCents(line, RecordField::WithheldAmount);
        const std::optional<qint64> invoice = amountCents(line, RecordField::InvoiceAmount);
        if (line.size() < DeclarationRecordWidth || !withheld || !invoice)
            throw CertificateError(
                QStringLiteral("El renglón %1 del archivo %2 no tiene el formato de la declaración.")
                    .arg(lineNumber)
                    .arg(fileName) +
                NothingMade);
        const QStringView date = recordFieldView(line, RecordField::Date);
        Certificate c;
        c.receipt = field(line, RecordField::Receipt);
        c.date = date.left(2).toString() + QLatin1Char('/') + date.mid(2, 2).toString() + QLatin1Char('/') +
                 date.mid(4).toString();
        c.period = field(line, RecordField::Month).rightJustified(2, QLatin1Char('0')) + QLatin1Char('/') +
                   field(line, RecordField::Year);
        c.supplierName = field(line, RecordField::CompanyName);
        c.supplierCuit = field(line, RecordField::SupplierCuit);
        c.agentName = field(line, RecordField::AgentName);
        c.agentCuit = field(line, RecordField::AgentCuit);
        c.invoiceCents = *invoice;
        c.withheldCents = *withheld;
        certificates.push_back(std::move(c));
    }
    CloseTextFile(ff);
    return certificates;
}

QString certificatesPdfPath(const QString &declarationFile)
{
    const QFileInfo info(declarationFile);
    return info.absoluteDir().filePath(QStringLiteral("constancias/") + info.completeBaseName() +
                                       QStringLiteral(".pdf"));
}

QString placeAndDateLine(const QString &place, const QDate &date)
{
    const QString where =
        TrimBlanks(place).isEmpty() ? QStringLiteral("____________________") : TrimBlanks(place);
    return QStringLiteral("Lugar y fecha: %1, %2").arg(where, date.toString(QStringLiteral("dd/MM/yyyy")));
}

QByteArray renderCertificates(const std::vector<Certificate> &certificates, const QString &legajo,
                              const QString &placeAndDate)
{
    TableRowSource rows(certificateColumns());
    for (const Certificate &c : certificates) {
        if (c.withheldCents == 0)
            continue;
        const QStringList words = wrapCertificateText(
            QStringLiteral("SON PESOS ") + amountInWords(c.withheldCents), CertificateText::Words);
        const QStringList signer = wrapCertificateText(c.agentName, CertificateText::Signer);
        rows.addRow({c.receipt, c.date, c.period, c.agentName, c.agentCuit, legajo, c.supplierName,
                     c.supplierCuit, amountText(c.invoiceCents), amountText(c.withheldCents), words[0],
                     words[1], words[2], placeAndDate, signer[0], signer[1]});
    }
    const ReportDefinition report = CertificateReport();
    ReportEngine engine(report);
    return engine.renderPdf(rows);
}

CertificatesWritten writeCertificates(const QString &declarationFile,
                                      const std::optional<QString> &expectedSha256,
                                      const CertificateIssue &issue)
{
    const QString shown = QDir::toNativeSeparators(declarationFile);
    QFile file(declarationFile);
    if (!QFileInfo::exists(declarationFile))
        throw CertificateError(QStringLiteral("No se encuentra el archivo de la declaración %1.").arg(shown) +
                               NothingMade);
    // The file is read once: the fingerprint and the pages come from the same bytes.
    if (!file.open(QIODevice::ReadOnly))
        throw CertificateError(QStringLiteral("No se puede leer el archivo de la declaración %1 (%2).")
                                   .arg(shown, file.errorString()) +
                               NothingMade);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw CertificateError(QStringLiteral("No se puede leer el archivo de la declaración %1 (%2).")
                                   .arg(shown, file.errorString()) +
                               NothingMade);
    file.close();
    if (expectedSha256 && sha256Hex(bytes).compare(TrimBlanks(*expectedSha256), Qt::CaseInsensitive) != 0)
        throw CertificateError(
            QStringLiteral("El archivo de la declaración %1 fue modificado después de generarse: ya no es el "
                           "que se presentó.")
                .arg(shown) +
            NothingMade);

    const std::vector<Certificate> certificates = readCertificates(bytes, shown);
    CertificatesWritten written;
    for (const Certificate &c : certificates)
        ++(c.withheldCents == 0 ? written.skipped : written.certificates);
    if (written.certificates == 0)
        throw CertificateError(
            QStringLiteral("La declaración %1 no tiene retenciones mayores que cero: no hay constancias que "
                           "emitir.")
                .arg(shown));

    written.pdfPath = certificatesPdfPath(declarationFile);
    const QString folder = QFileInfo(written.pdfPath).absolutePath();
    const QFileInfo folderInfo(folder);
    // The folder is used only as a real folder: a link put in its place is not followed.
    if (folderInfo.isSymLink() || (folderInfo.exists() && !folderInfo.isDir()) ||
        (!folderInfo.exists() && !QDir().mkdir(folder)))
        throw CertificateError(QStringLiteral("No se puede crear la carpeta de constancias %1.")
                                   .arg(QDir::toNativeSeparators(folder)) +
                               NothingMade);

    const QString legajo =
        TrimBlanks(issue.legajo).isEmpty() ? legajoOfFileName(declarationFile) : TrimBlanks(issue.legajo);
    const QDate date = issue.date.isValid() ? issue.date : QDate::currentDate();
    const QByteArray pdf = renderCertificates(certificates, legajo, placeAndDateLine(issue.place, date));
    if (const int error = writeFileSafely(written.pdfPath, pdf))
        throw CertificateError(QStringLiteral("No se puede escribir el archivo %1 (%2).")
                                   .arg(QDir::toNativeSeparators(written.pdfPath), systemReason(error)) +
                               NothingMade);
    return written;
}

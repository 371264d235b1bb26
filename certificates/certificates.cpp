#include "certificates/certificates.h"

#include "certificates/certificate_page.h"
#include "common/own_folder.h"
#include "common/sha256.h"
#include "common/text_file.h"
#include "common/text_helpers.h"
#include "declaration/filed_declaration.h"
#include "declaration/kept_copies.h"
#include "withholdings/declaration_record.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <map>

#include <sys/stat.h>

namespace {
const QString NothingMade = QStringLiteral(" No se generaron las constancias.");
const QString CertificatesFolder = QStringLiteral("constancias");

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

// The legajo in a declaration's name: two digits of the year, the month code, five digits.
QString legajoOfBaseName(const QString &base)
{
    if (base.size() != 8)
        return {};
    QString legajo = base.mid(3);
    while (legajo.size() > 1 && legajo.startsWith(QLatin1Char('0')))
        legajo.remove(0, 1);
    return legajo;
}

const QRegularExpression &baseNamePattern()
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9]{2}[1-9ABC][0-9]{5}$"));
    return pattern;
}

const QRegularExpression &keptNamePattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]{2}[1-9ABC][0-9]{5}) [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}\\.[0-9]{2}\\.[0-9]{2}"
                       "(_[0-9]{1,6})?$"));
    return pattern;
}

// A CUIT of eleven digits as declarations write it, "30-71111111-1".
QString cuitText(const QString &digits)
{
    if (digits.size() != 11)
        return digits;
    return digits.left(2) + QLatin1Char('-') + digits.mid(2, 8) + QLatin1Char('-') + digits.right(1);
}

// The PDF under `name` in `folder` was made for `subject`.
bool madeFor(const OwnFolder &folder, const QString &name, const QByteArray &subject)
{
    QByteArray existing;
    if (folder.readFile(name, existing, 1024LL * 1024 * 1024) != 0)
        return false;
    return existing.contains("/Subject (" + subject + ")");
}

// Puts the PDF in `constancias` beside the declarations; what stands under its name for other
// declarations is kept first in `constancias/anteriores`.
QString putCertificates(const QString &declarationFolder, const QString &pdfName, const QByteArray &pdf,
                        const QByteArray &subject, QString *keptEarlier)
{
    OwnFolder folder;
    QString why;
    if (!OwnFolder::openOwn(declarationFolder, CertificatesFolder, folder, &why))
        throw CertificateError(QStringLiteral("No se puede usar la carpeta de constancias: ") + why +
                               NothingMade);
    struct stat info;
    if (folder.entry(pdfName, info) == 0 && S_ISREG(info.st_mode) && !madeFor(folder, pdfName, subject)) {
        OwnFolder kept;
        if (!folder.openOwnChild(KeptFolderName, kept, &why))
            throw CertificateError(QStringLiteral("No se pueden guardar las constancias anteriores: ") + why +
                                   QStringLiteral(" Las constancias anteriores no se modificaron.") +
                                   NothingMade);
        const QString stem = pdfName.chopped(4);
        const QDateTime written = QDateTime::fromSecsSinceEpoch(info.st_mtim.tv_sec);
        int error = EEXIST;
        QString keptName;
        for (int occurrence = 1; error == EEXIST && occurrence < 10000; ++occurrence) {
            keptName = keptStem(stem, written, occurrence) + QStringLiteral(".pdf");
            error = folder.keepUnderNewName(pdfName, kept, keptName);
        }
        if (error)
            throw CertificateError(
                QStringLiteral("No se pueden guardar las constancias anteriores %1 (%2). Las "
                               "constancias anteriores no se modificaron.")
                    .arg(QDir::toNativeSeparators(folder.filePath(pdfName)), systemErrorText(error)) +
                NothingMade);
        if (keptEarlier)
            *keptEarlier = kept.filePath(keptName);
    }
    if (const int error = folder.writeFile(pdfName, pdf))
        throw CertificateError(
            QStringLiteral("No se puede escribir el archivo %1 (%2).")
                .arg(QDir::toNativeSeparators(folder.filePath(pdfName)), systemErrorText(error)) +
            NothingMade);
    return folder.filePath(pdfName);
}

QString sourceLine(const QString &stem, const QString &sha256)
{
    return QStringLiteral("Declaración %1.txt, SHA-256 %2").arg(stem.left(8), sha256.left(16).toLower());
}
} // namespace

QString digitsOf(const QString &text)
{
    QString digits;
    for (const QChar c : text)
        if (c.isDigit())
            digits += c;
    return digits;
}

QString sha256Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(Sha256::hexHash(bytes));
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

std::optional<CertificatePlace> certificatePlace(const QString &declarationFile, const QString &baseName)
{
    if (!QDir::isAbsolutePath(declarationFile) || QDir::cleanPath(declarationFile) != declarationFile)
        return std::nullopt;
    const QFileInfo info(declarationFile);
    if (!info.fileName().endsWith(QLatin1String(".txt")))
        return std::nullopt;
    const QString stem = info.fileName().chopped(4);
    const QString folder = info.path();
    if (baseNamePattern().match(stem).hasMatch()) {
        if (!baseName.isEmpty() && stem != baseName)
            return std::nullopt;
        return CertificatePlace{folder, stem};
    }
    const QRegularExpressionMatch kept = keptNamePattern().match(stem);
    if (!kept.hasMatch() || QFileInfo(folder).fileName() != KeptFolderName ||
        (!baseName.isEmpty() && kept.captured(1) != baseName))
        return std::nullopt;
    return CertificatePlace{QFileInfo(folder).path(), stem};
}

QString certificatesPdfPath(const QString &declarationFile)
{
    const std::optional<CertificatePlace> place = certificatePlace(declarationFile);
    if (!place)
        return {};
    return QDir(place->declarationFolder)
        .filePath(CertificatesFolder + QLatin1Char('/') + place->stem + QStringLiteral(".pdf"));
}

QString placeAndDateLine(const QString &place, const QDate &date)
{
    const QString where =
        TrimBlanks(place).isEmpty() ? QStringLiteral("____________________") : TrimBlanks(place);
    return QStringLiteral("Lugar y fecha: %1, %2").arg(where, date.toString(QStringLiteral("dd/MM/yyyy")));
}

QByteArray readRecordedDeclaration(const QString &declarationFile, const QString &sha256)
{
    const QString shown = QDir::toNativeSeparators(declarationFile);
    QByteArray bytes;
    // The file is read once: the fingerprint and the pages come from the same bytes.
    if (const int error = readPlainFileAtMost(declarationFile, bytes, MaxDeclarationBytes)) {
        if (error == ENOENT || error == ENOTDIR)
            throw CertificateError(
                QStringLiteral("No se encuentra el archivo de la declaración %1.").arg(shown) + NothingMade);
        throw CertificateError(QStringLiteral("No se puede leer el archivo de la declaración %1 (%2).")
                                   .arg(shown, error == ELOOP || error == EINVAL
                                                   ? QStringLiteral("no es un archivo común")
                                                   : systemErrorText(error)) +
                               NothingMade);
    }
    if (TrimBlanks(sha256).isEmpty() ||
        sha256Hex(bytes).compare(TrimBlanks(sha256), Qt::CaseInsensitive) != 0)
        throw CertificateError(
            QStringLiteral("El archivo de la declaración %1 fue modificado después de generarse: ya no es el "
                           "que se presentó.")
                .arg(shown) +
            NothingMade);
    return bytes;
}

CertificatesWritten writeCertificates(const QString &declarationFile, const QString &sha256,
                                      const CertificateIssue &issue)
{
    const QString shown = QDir::toNativeSeparators(declarationFile);
    const std::optional<CertificatePlace> place = certificatePlace(declarationFile, issue.baseName);
    if (!place)
        throw CertificateError(
            QStringLiteral("El archivo %1 no tiene el nombre ni la carpeta de una declaración "
                           "que haya escrito el programa.")
                .arg(shown) +
            NothingMade);
    const QByteArray bytes = readRecordedDeclaration(declarationFile, sha256);
    const std::vector<Certificate> certificates = readCertificates(bytes, shown);
    CertificatesWritten written;
    for (const Certificate &c : certificates)
        ++(c.withheldCents == 0 ? written.skipped : written.certificates);
    if (written.certificates == 0)
        throw CertificateError(
            QStringLiteral("La declaración %1 no tiene retenciones mayores que cero: no hay constancias que "
                           "emitir.")
                .arg(shown));

    const QString base = place->stem.left(8);
    CertificateSheet sheet;
    sheet.legajo = TrimBlanks(issue.legajo).isEmpty() ? legajoOfBaseName(base) : TrimBlanks(issue.legajo);
    sheet.placeAndDate =
        placeAndDateLine(issue.place, issue.date.isValid() ? issue.date : QDate::currentDate());
    sheet.agent = issue.agent;
    sheet.source = sourceLine(place->stem, sha256);
    CertificatePrinter printer;
    for (const Certificate &c : certificates)
        if (c.withheldCents != 0)
            printer.add(c, sheet);
    const QByteArray subject =
        "Constancias de " + base.toLatin1() + " SHA-256 " + sha256.toLower().toLatin1();
    written.pdfPath = putCertificates(place->declarationFolder, place->stem + QStringLiteral(".pdf"),
                                      printer.pdf(subject), subject, &written.keptEarlier);
    return written;
}

CertificatesWritten writeYearCertificates(Connection &connection, const YearRequest &request)
{
    const QString cuit = digitsOf(request.cuit);
    if (cuit.isEmpty() || request.year <= 0)
        throw CertificateError(QStringLiteral("Indique el CUIT del proveedor y el año.") + NothingMade);
    // The latest version of each period: of each file name, the highest version recorded.
    std::map<QString, FiledDeclaration> latest;
    FiledDeclarationReader reader(connection);
    DeclarationFilter filter = declarationFilter(request.legajo, QString::number(request.year));
    if (!reader.open(filter))
        throw CertificateError(
            QStringLiteral(
                "Esta base de datos no registra las declaraciones (le falta la tabla DECLARACION).") +
            NothingMade);
    while (!reader.atEnd())
        for (FiledDeclaration &d : reader.next(500)) {
            auto [at, inserted] = latest.try_emplace(d.baseName, d);
            if (!inserted && d.version > at->second.version)
                at->second = std::move(d);
        }
    reader.close();

    std::vector<const FiledDeclaration *> periods;
    for (const auto &[base, d] : latest)
        periods.push_back(&d);
    std::sort(periods.begin(), periods.end(), [](const FiledDeclaration *a, const FiledDeclaration *b) {
        return std::tie(a->month, a->legajo) < std::tie(b->month, b->legajo);
    });

    const QString machine = thisMachine();
    CertificatePrinter printer;
    CertificatesWritten written;
    QByteArray subject = "Constancias " + QByteArray::number(request.year) + ' ' + cuit.toLatin1();
    const FiledDeclaration *newest = nullptr;
    const QDate date = request.date.isValid() ? request.date : QDate::currentDate();
    std::map<QString, AgentDetails> agents;
    for (const FiledDeclaration *d : periods) {
        const QString period = QStringLiteral("%1/%2 (legajo %3)")
                                   .arg(d->month, 2, 10, QLatin1Char('0'))
                                   .arg(d->year)
                                   .arg(d->legajo);
        const std::optional<CertificatePlace> place = certificatePlace(d->file, d->baseName);
        if (d->host != machine) {
            written.periodsLeftOut << period + QStringLiteral(": se generó en otro equipo (%1)").arg(d->host);
            continue;
        }
        if (!place) {
            written.periodsLeftOut << period +
                                          QStringLiteral(": la ruta registrada no es la de una declaración");
            continue;
        }
        std::vector<Certificate> certificates;
        try {
            const QByteArray bytes = readRecordedDeclaration(d->file, QString::fromLatin1(d->sha256));
            certificates = readCertificates(bytes, QDir::toNativeSeparators(d->file));
        } catch (const CertificateError &e) {
            written.periodsLeftOut << period + QStringLiteral(": ") +
                                          QString(e.message()).remove(NothingMade);
            continue;
        }
        auto agent = agents.find(d->legajo);
        if (agent == agents.end())
            agent =
                agents.emplace(d->legajo, readAgentDetails(connection, d->legajo).value_or(AgentDetails{}))
                    .first;
        CertificateSheet sheet{d->legajo, placeAndDateLine({}, date), agent->second,
                               sourceLine(place->stem, QString::fromLatin1(d->sha256))};
        for (const Certificate &c : certificates) {
            if (digitsOf(c.supplierCuit) != cuit)
                continue;
            if (c.withheldCents == 0) {
                ++written.skipped;
                continue;
            }
            printer.add(c, sheet);
            ++written.certificates;
        }
        subject += ' ' + d->sha256.left(16);
        if (!newest || d->confirmedAt > newest->confirmedAt)
            newest = d;
    }
    if (written.certificates == 0) {
        QString message =
            QStringLiteral("No hay retenciones mayores que cero al CUIT %1 en las declaraciones de %2 "
                           "que se pudieron leer.")
                .arg(request.cuit)
                .arg(request.year);
        if (!written.periodsLeftOut.isEmpty())
            message += QStringLiteral(" No se usaron: ") + written.periodsLeftOut.join(QStringLiteral("; ")) +
                       QLatin1Char('.');
        throw CertificateError(message + NothingMade);
    }
    const std::optional<CertificatePlace> place = certificatePlace(newest->file, newest->baseName);
    written.pdfPath = putCertificates(place->declarationFolder,
                                      QStringLiteral("%1 %2.pdf").arg(request.year).arg(cuitText(cuit)),
                                      printer.pdf(subject), subject, &written.keptEarlier);
    return written;
}

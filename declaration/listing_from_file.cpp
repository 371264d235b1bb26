#include "declaration/listing_from_file.h"

#include "common/errors.h"
#include "common/numbers.h"
#include "common/safe_file.h"
#include "common/sha256.h"
#include "common/text_file.h"
#include "declaration/declaration_file.h"
#include "declaration/declaration_generation.h"
#include "declaration/kept_copies.h"
#include "declaration/listing_folder.h"
#include "report/report_definition.h"
#include "report/row_source.h"
#include "withholdings/declaration_line.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {
QString described(const FiledDeclaration &d)
{
    return QStringLiteral("%1 (versión %2)").arg(declarationFileName(d.baseName)).arg(d.version);
}

FileError otherMachine(const FiledDeclaration &d)
{
    return FileError(
        QStringLiteral("La declaración %1 se generó en el equipo %2: su archivo y su listado están "
                       "allí (%3), no en este equipo.")
            .arg(described(d), d.host, QDir::toNativeSeparators(d.file)));
}
} // namespace

QByteArray listingFromFile(ReportDefinition &report, const FiledDeclaration &d, ReportRun *run)
{
    // Read once: the lines come from the very bytes whose fingerprint is checked, so a file
    // replaced meanwhile gives no listing under the recorded fingerprint.
    QByteArray bytes;
    if (!readPlainFile(d.file, bytes))
        throw FileError(
            QStringLiteral("No se puede leer el archivo %1.").arg(QDir::toNativeSeparators(d.file)));
    if (Sha256::hexHash(bytes) != d.sha256)
        throw FileError(
            QStringLiteral("El archivo %1 fue modificado después de generarse: su huella SHA-256 ya "
                           "no es la registrada.")
                .arg(QDir::toNativeSeparators(d.file)));
    TextFile ff;
    OpenTextOverBytes(ff, bytes);
    CheckIo();
    const QList<DeclarationLine> lines = readDeclarationText(ff);
    TableRowSource rows({QStringLiteral("NROCOM"), QStringLiteral("FECHA"), QStringLiteral("CUIT"),
                         QStringLiteral("IMPORTE"), QStringLiteral("RAZON")});
    Decimal total = 0;
    for (const DeclarationLine &line : lines) {
        rows.addRow({line.row.receipt, line.row.date, line.row.supplierCuit, double(line.withheldAmount),
                     line.row.companyName});
        total = DecimalSum(total, line.withheldAmount);
    }
    const DeclarationHeader header{d.legajo, QStringLiteral("%1").arg(d.month, 2, 10, QLatin1Char('0')),
                                   QString::number(d.year), QString(), d.agentName};
    const QString totalText = FormatDecimal(QStringLiteral("0.00"), total);
    report.setCaption(QStringLiteral("periodo"), DeclarationGeneration::periodCaption(header));
    report.setCaption(QStringLiteral("Qrtotal"), totalText);
    report.setCaption(QStringLiteral("resumen"), listingSummary(declarationFileName(d.baseName),
                                                                int(lines.size()), totalText, d.sha256));
    ReportEngine engine(report);
    const QByteArray pdf = engine.renderPdf(rows);
    if (run)
        *run = engine.lastRun();
    return pdf;
}

FiledPlaces filedPlaces(const FiledDeclaration &d, const QString &programFolder)
{
    FiledPlaces places;
    static const QRegularExpression baseShape(QStringLiteral("^[0-9A-Za-z]{1,8}$"));
    if (!baseShape.match(d.baseName).hasMatch() || !QDir::isAbsolutePath(d.file) ||
        QDir::cleanPath(d.file) != d.file || !QDir::isAbsolutePath(d.listing) ||
        QDir::cleanPath(d.listing) != d.listing)
        return places;
    const QFileInfo file(d.file);
    places.folder = file.path();
    const QString name = file.fileName();
    if (name == d.baseName + QStringLiteral(".txt")) {
        places.listingName = d.baseName + QStringLiteral(".pdf");
        if (QFileInfo(d.listing).fileName() != places.listingName)
            return places;
        // Beside the declaration, or in the program's folder; a row that names another folder
        // gets the place the program would choose now.
        const QString beside = QDir(places.folder).filePath(places.listingName);
        const QString program = QDir::cleanPath(QDir(programFolder).filePath(places.listingName));
        places.listingPlace =
            d.listing == beside || d.listing == program
                ? d.listing
                : QDir::cleanPath(listingFolder(programFolder, places.folder) + places.listingName);
        places.valid = true;
        return places;
    }
    const QRegularExpression keptShape(
        QStringLiteral("^%1 \\d{4}-\\d{2}-\\d{2} \\d{2}\\.\\d{2}\\.\\d{2}(_\\d+)?\\.txt$").arg(d.baseName));
    if (QFileInfo(places.folder).fileName() != KeptFolderName || !keptShape.match(name).hasMatch())
        return places;
    places.listingName = file.completeBaseName() + QStringLiteral(".pdf");
    places.listingPlace = QDir(places.folder).filePath(places.listingName);
    places.kept = true;
    places.valid = d.listing == places.listingPlace;
    return places;
}

namespace {
// The row's paths of the program's making and its file the one recorded, or FileError.
FiledPlaces checkedPlaces(const FiledDeclaration &d, const QString &programFolder, const QString &machine)
{
    const FileMark mark = checkFiledDeclaration(d, machine);
    if (mark == FileMark::OtherMachine)
        throw otherMachine(d);
    const FiledPlaces places = filedPlaces(d, programFolder);
    if (!places.valid)
        throw FileError(
            QStringLiteral("El registro de la declaración %1 nombra archivos que este programa no escribe "
                           "(%2, %3): no se abre ni se escribe nada a partir de él.")
                .arg(described(d), QDir::toNativeSeparators(d.file), QDir::toNativeSeparators(d.listing)));
    switch (mark) {
    case FileMark::Missing:
        throw FileError(
            QStringLiteral("No se encontró el archivo de la declaración %1 (%2): su listado no se "
                           "abre ni se hace de nuevo sin él.")
                .arg(described(d), QDir::toNativeSeparators(d.file)));
    case FileMark::Modified:
        throw FileError(
            QStringLiteral("El archivo %1 de la declaración %2 fue modificado después de generarse: su "
                           "huella SHA-256 ya no es la registrada. No se abre nada de un archivo que no es "
                           "el que se declaró.")
                .arg(QDir::toNativeSeparators(d.file), described(d)));
    case FileMark::Unreadable:
        throw FileError(
            QStringLiteral("El archivo %1 de la declaración %2 no se puede leer con su usuario, y "
                           "no se puede comprobar que sea el que se declaró.")
                .arg(QDir::toNativeSeparators(d.file), described(d)));
    case FileMark::Unchanged:
    case FileMark::OtherMachine:
        break;
    }
    return places;
}
} // namespace

QString listingToOpen(const FiledDeclaration &d, ReportDefinition &report, const QString &programFolder,
                      const QString &machine)
{
    const FiledPlaces places = checkedPlaces(d, programFolder, machine);
    if (listingBelongsTo(places.listingPlace, d.sha256))
        return places.listingPlace;
    // Gone, or another declaration's (the one it replaced, left by a generation that ended
    // early): made again from the file.
    try {
        const QByteArray pdf = listingFromFile(report, d);
        int error = 0;
        QString why;
        if (places.kept) {
            OpenedFolder folder;
            if (!folder.open(places.folder, false, true, &why))
                throw FileError(why);
            error = folder.writeFileSafely(places.listingName, pdf);
        } else {
            error = writeFileSafely(places.listingPlace, pdf);
        }
        if (error)
            throw FileError(systemErrorText(error));
    } catch (const AppError &e) {
        throw FileError(QStringLiteral("El listado de la declaración %1 no se pudo hacer de nuevo en %2:\n%3")
                            .arg(described(d), QDir::toNativeSeparators(places.listingPlace), e.message()));
    }
    return places.listingPlace;
}

QString folderToOpen(const FiledDeclaration &d, const QString &programFolder, const QString &machine)
{
    return checkedPlaces(d, programFolder, machine).folder;
}

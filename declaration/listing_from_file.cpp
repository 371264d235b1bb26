#include "declaration/listing_from_file.h"

#include "common/errors.h"
#include "common/numbers.h"
#include "common/text_file.h"
#include "declaration/declaration_file.h"
#include "declaration/declaration_generation.h"
#include "report/report_definition.h"
#include "report/row_source.h"
#include "withholdings/declaration_line.h"

#include <QDir>
#include <QFileInfo>

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

ReportRun writeListingFromFile(ReportDefinition &report, const FiledDeclaration &d, const QString &pdfPath)
{
    TextFile ff;
    const QList<DeclarationLine> lines = readDeclarationFile(ff, d.file);
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
    return exportReportToPdf(report, rows, pdfPath);
}

QString listingToOpen(const FiledDeclaration &d, ReportDefinition &report, const QString &machine)
{
    const FileMark mark = checkFiledDeclaration(d, machine);
    if (mark == FileMark::OtherMachine)
        throw otherMachine(d);
    if (QFileInfo(d.listing).isFile())
        return d.listing;
    switch (mark) {
    case FileMark::Missing:
        throw FileError(
            QStringLiteral("No se encontró el archivo de la declaración %1 (%2) ni su listado, así que "
                           "el listado no se puede hacer de nuevo.")
                .arg(described(d), QDir::toNativeSeparators(d.file)));
    case FileMark::Modified:
        throw FileError(
            QStringLiteral("El archivo %1 de la declaración %2 fue modificado después de generarse: su "
                           "huella SHA-256 ya no es la registrada. Su listado no está, y no se hace de "
                           "nuevo con un archivo que no es el que se declaró.")
                .arg(QDir::toNativeSeparators(d.file), described(d)));
    case FileMark::Unreadable:
        throw FileError(
            QStringLiteral("El archivo %1 de la declaración %2 no se puede leer con su usuario; su "
                           "listado no está y no se puede hacer de nuevo.")
                .arg(QDir::toNativeSeparators(d.file), described(d)));
    case FileMark::Unchanged:
    case FileMark::OtherMachine:
        break;
    }
    try {
        writeListingFromFile(report, d, d.listing);
    } catch (const AppError &e) {
        throw FileError(
            QStringLiteral("El listado de la declaración %1 no estaba y no se pudo hacer de nuevo en %2:\n%3")
                .arg(described(d), QDir::toNativeSeparators(d.listing), e.message()));
    }
    return d.listing;
}

QString folderToOpen(const FiledDeclaration &d, const QString &machine)
{
    if (!d.host.isEmpty() && d.host.compare(machine, Qt::CaseInsensitive) != 0)
        throw otherMachine(d);
    const QString folder = QFileInfo(d.file).absolutePath();
    if (!QFileInfo(folder).isDir())
        throw FileError(QStringLiteral("La carpeta %1 de la declaración %2 ya no existe.")
                            .arg(QDir::toNativeSeparators(folder), described(d)));
    return folder;
}

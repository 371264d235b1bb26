#include "declaration/filed_declaration.h"

#include "common/numbers.h"
#include "common/safe_file.h"
#include "common/sha256.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
const QString Columns = QStringLiteral(
    "select id, legajo, anio, mes, base, version, cast(confirmada as varchar(24)), filas, total, sha256, "
    "bytes, agente, equipo, archivo, listado from declaracion");
const QString HasTable =
    QStringLiteral("select count(*) from rdb$relations where rdb$relation_name = 'DECLARACION'");

QString withoutLeadingZeros(const QString &text)
{
    qsizetype i = 0;
    while (i + 1 < text.size() && text.at(i) == QLatin1Char('0'))
        ++i;
    return text.mid(i);
}

// "2026-12-09 10:31:05.0000" as the database writes a timestamp; read by hand, as many rows are.
QDateTime timestampFromText(QStringView text)
{
    const auto number = [&](qsizetype from, qsizetype length) { return text.mid(from, length).toInt(); };
    if (text.size() < 19)
        return {};
    return QDateTime(QDate(number(0, 4), number(5, 2), number(8, 2)),
                     QTime(number(11, 2), number(14, 2), number(17, 2)));
}
} // namespace

QString thisMachine()
{
    return QSysInfo::machineHostName();
}

QByteArray fileSha256(const QString &path)
{
    QFile file;
#ifdef Q_OS_UNIX
    // Only a plain file is read: a pipe planted under the name never holds the program up.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info;
    if (fd < 0)
        return {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
#else
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
#endif
    Sha256 hash;
    char buffer[65536];
    for (;;) {
        const qint64 n = file.read(buffer, sizeof buffer);
        if (n < 0)
            return {};
        if (n == 0)
            break;
        hash.addData(QByteArrayView(buffer, n));
    }
    if (file.error() != QFileDevice::NoError)
        return {};
    return hash.hexResult();
}

QString listingSummary(const QString &fileName, int rows, const QString &totalText, const QByteArray &sha256)
{
    return QStringLiteral("Archivo %1: %2 %3, total %4, SHA-256 %5")
        .arg(fileName)
        .arg(rows)
        .arg(rows == 1 ? QStringLiteral("retención") : QStringLiteral("retenciones"), totalText,
             QString::fromLatin1(sha256.left(16)));
}

bool listingNamesFingerprint(const QByteArray &pdf, const QByteArray &sha256)
{
    static const QByteArray Mark = "SHA-256 ";
    const qsizetype at = pdf.lastIndexOf(Mark);
    return sha256.size() >= 16 && at >= 0 && pdf.mid(at + Mark.size(), 16) == sha256.left(16);
}

bool listingBelongsTo(const QString &pdfPath, const QByteArray &sha256)
{
    QByteArray pdf;
    return readPlainFile(pdfPath, pdf) && listingNamesFingerprint(pdf, sha256);
}

FileMark checkFiledDeclaration(const FiledDeclaration &d, const QString &machine)
{
    if (!d.host.isEmpty() && d.host.compare(machine, Qt::CaseInsensitive) != 0)
        return FileMark::OtherMachine;
    const QFileInfo info(d.file);
    if (!info.isFile())
        return FileMark::Missing;
    if (info.size() != d.bytes)
        return FileMark::Modified;
    const QByteArray sha = fileSha256(d.file);
    if (sha.isEmpty())
        return FileMark::Unreadable;
    return sha == d.sha256 ? FileMark::Unchanged : FileMark::Modified;
}

QString fileMarkText(FileMark mark, const FiledDeclaration &d)
{
    switch (mark) {
    case FileMark::Unchanged:
        return QStringLiteral("sin cambios");
    case FileMark::Modified:
        return QStringLiteral("modificado");
    case FileMark::Missing:
        return QStringLiteral("no encontrado");
    case FileMark::Unreadable:
        return QStringLiteral("no se puede leer");
    case FileMark::OtherMachine:
        return QStringLiteral("en otro equipo (%1)").arg(d.host);
    }
    return {};
}

DeclarationFilter declarationFilter(const QString &legajo, const QString &period)
{
    DeclarationFilter filter;
    filter.legajo = legajo.trimmed().isEmpty() ? QString() : withoutLeadingZeros(legajo.trimmed());
    const QString wanted = period.trimmed();
    static const QRegularExpression monthAndYear(QStringLiteral("^(\\d{1,2})\\s*[/-]\\s*(\\d{4})$"));
    static const QRegularExpression yearAlone(QStringLiteral("^\\d{4}$"));
    if (wanted.isEmpty())
        return filter;
    if (const QRegularExpressionMatch m = monthAndYear.match(wanted); m.hasMatch()) {
        filter.month = m.captured(1).toInt();
        filter.year = m.captured(2).toInt();
        filter.valid = filter.month >= 1 && filter.month <= 12;
    } else if (yearAlone.match(wanted).hasMatch()) {
        filter.year = wanted.toInt();
    } else {
        filter.valid = false;
    }
    return filter;
}

bool matchesFilter(const FiledDeclaration &d, const DeclarationFilter &filter)
{
    return filter.valid && (filter.legajo.isEmpty() || filter.legajo == withoutLeadingZeros(d.legajo)) &&
           (filter.month == 0 || filter.month == d.month) && (filter.year == 0 || filter.year == d.year);
}

QStringList pastDeclarationTitles()
{
    return {QStringLiteral("Legajo"),  QStringLiteral("Período"),
            QStringLiteral("Versión"), QStringLiteral("Confirmada"),
            QStringLiteral("Filas"),   QStringLiteral("Total"),
            QStringLiteral("Archivo"), QStringLiteral("Estado del archivo")};
}

QStringList pastDeclarationCells(const FiledDeclaration &d)
{
    return {d.legajo, QStringLiteral("%1/%2").arg(d.month, 2, 10, QLatin1Char('0')).arg(d.year),
            QString::number(d.version), d.confirmedAt.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")),
            QString::number(d.rows), FormatDecimal(QStringLiteral("0.00"), d.total),
            // Recorded on this machine or on a Windows one: the name after either separator.
            d.file.mid(std::max(d.file.lastIndexOf(QLatin1Char('/')), d.file.lastIndexOf(QLatin1Char('\\'))) +
                       1)};
}

struct FiledDeclarationReader::Private {
    explicit Private(Connection &connection)
        : transaction(connection, Transaction::Mode::ReadOnly), query(transaction)
    {
    }
    Transaction transaction;
    Query query;
};

FiledDeclarationReader::FiledDeclarationReader(Connection &connection)
    : d_(std::make_unique<Private>(connection))
{
}

FiledDeclarationReader::~FiledDeclarationReader()
{
    close();
}

void FiledDeclarationReader::close() noexcept
{
    d_->query.close();
    try {
        d_->transaction.commit();
    } catch (const std::exception &) {
        // Nothing was written; the attachment may be gone.
    }
    atEnd_ = true;
}

bool FiledDeclarationReader::open(const DeclarationFilter &filter)
{
    close();
    count_ = 0;
    Query &q = d_->query;
    q.setSql(HasTable);
    q.open();
    const bool present = q.next() && q.number(0) > 0;
    q.close();
    if (!present || !filter.valid)
        return present;
    QString where;
    auto condition = [&](const QString &test) {
        where += (where.isEmpty() ? QStringLiteral(" where ") : QStringLiteral(" and ")) + test;
    };
    // The legajo is kept as typed: compared without its leading zeros.
    if (!filter.legajo.isEmpty())
        condition(QStringLiteral("(trim(leading '0' from legajo) = :legajo or legajo = :legajo)"));
    if (filter.year)
        condition(QStringLiteral("anio = :anio"));
    if (filter.month)
        condition(QStringLiteral("mes = :mes"));
    auto bind = [&] {
        if (!filter.legajo.isEmpty())
            q.setText(QStringLiteral("legajo"), filter.legajo);
        if (filter.year)
            q.setDouble(QStringLiteral("anio"), filter.year);
        if (filter.month)
            q.setDouble(QStringLiteral("mes"), filter.month);
    };
    q.setSql(QStringLiteral("select count(*) from declaracion") + where);
    bind();
    q.open();
    count_ = q.next() ? int(q.number(0)) : 0;
    q.close();
    // Newest first through the descending index, so the first rows come without sorting all.
    q.setSql(Columns + where + QStringLiteral(" order by id desc"));
    bind();
    q.open();
    atEnd_ = false;
    return true;
}

QList<FiledDeclaration> FiledDeclarationReader::next(int max)
{
    QList<FiledDeclaration> rows;
    Query &q = d_->query;
    while (!atEnd_ && rows.size() < max) {
        if (!q.next()) {
            atEnd_ = true;
            break;
        }
        FiledDeclaration d;
        d.id = qint64(q.number(0));
        d.legajo = q.text(1);
        d.year = int(q.number(2));
        d.month = int(q.number(3));
        d.baseName = q.text(4);
        d.version = int(q.number(5));
        d.confirmedAt = timestampFromText(q.text(6));
        d.rows = int(q.number(7));
        d.total = q.number(8);
        d.sha256 = q.text(9).toLatin1();
        d.bytes = qint64(q.number(10));
        d.agentName = q.text(11);
        d.host = q.text(12);
        d.file = q.text(13);
        d.listing = q.text(14);
        rows.append(std::move(d));
    }
    if (atEnd_)
        close();
    return rows;
}

QList<FiledDeclaration> readFiledDeclarations(Connection &connection, bool *hasTable)
{
    FiledDeclarationReader reader(connection);
    const bool present = reader.open(DeclarationFilter());
    if (hasTable)
        *hasTable = present;
    QList<FiledDeclaration> rows;
    while (!reader.atEnd())
        rows += reader.next(1000);
    return rows;
}

QString declarationGrantsText()
{
    return QStringLiteral(
        "Este usuario de la base de datos no puede registrar la declaración en la tabla DECLARACION, y "
        "la declaración no se generó (la anterior sigue como estaba). Pida al administrador que "
        "ejecute, con el usuario con que usted entra a la base: grant select, insert, update, delete on "
        "DECLARACION to user RETENCIONES; grant usage on sequence GEN_DECLARACION_ID to user "
        "RETENCIONES; commit;");
}

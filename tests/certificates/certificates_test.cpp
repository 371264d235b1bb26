#include "certificates/certificates.h"
#include "declaration/filed_declaration.h"

#include "certificates/certificate_layout.h"
#include "common/text_file.h"
#include "declaration/declaration_file.h"
#include "report/font_metrics.h"
#include "report/pdf_text.h"
#include "tests/report/pdf_probe.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {
const DeclarationHeader Header{QStringLiteral("415"), QStringLiteral("10"), QStringLiteral("2017"),
                               QStringLiteral("30-71234567-1"), QStringLiteral("EMPRESA DEL SUR S.A.")};
const QDate IssueDate(2017, 11, 5);

Withholding row(const char *receipt, const char *date, const char *invoice, const char *withheld,
                const QString &company, const char *cuit)
{
    return {QString::fromLatin1(receipt),
            QString::fromLatin1(date),
            QString::fromLatin1(invoice),
            QString::fromLatin1(withheld),
            company,
            QString::fromLatin1(cuit)};
}

// A folder with a declaration file in it.
struct DeclarationFolder {
    // 17A00415.txt: two withholdings and one of 0.00 between them.
    QString writeDeclaration(
        const QList<Withholding> &rows = {
            row("123", "05/10/2017", "12400.00", "62", QString::fromUtf8("FERRETERÍA ÑANDÚ"),
                "20-12345678-6"),
            row("7", "06/10/2017", "99.90", "0", QStringLiteral("TERCERA"), "27-00000001-1"),
            row("124", "31/10/2017", "1000.99", "5", QStringLiteral("OTRA S.A."), "30-87654321-0"),
        })
    {
        const QString path = folder.filePath(QStringLiteral("17A00415.txt"));
        TextFile f;
        writeDeclarationFile(f, path, Header, rows);
        return path;
    }

    QTemporaryDir folder;
};

class Certificates : public ::testing::Test, public DeclarationFolder {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    static QString pageText(const QString &pdf, int page)
    {
        return QString::fromUtf8(runTool(QStringLiteral("pdftotext"),
                                         {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                          QString::number(page), pdf, QStringLiteral("-")})
                                     .output);
    }
};

TEST_F(Certificates, OnePagePerWithholdingWithWhatTheFileSays)
{
    const QString declaration = writeDeclaration();
    const CertificatesWritten written = writeCertificates(
        declaration, QString::fromLatin1(fileSha256(declaration)), CertificateIssue{{}, IssueDate, {}});

    EXPECT_EQ(written.pdfPath, folder.filePath(QStringLiteral("constancias/17A00415.pdf")));
    EXPECT_EQ(written.certificates, 2);
    EXPECT_EQ(written.skipped, 1);
    EXPECT_EQ(runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), written.pdfPath}).exitCode, 0);
    ASSERT_EQ(pageCount(written.pdfPath), 2);

    QFile pdf(written.pdfPath);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; }));
    EXPECT_TRUE(bytes.contains("/MediaBox [0 0 595 841]")) << bytes.left(600).constData();

    const QString first = pageText(written.pdfPath, 1);
    for (const char *expected : {"Constancia de Retencion",
                                 "Constancia Nro.:",
                                 "0000000000123",
                                 "Periodo:",
                                 "10/2017",
                                 "Razon Social:",
                                 "EMPRESA DEL SUR S.A.",
                                 "30-71234567-1",
                                 "Legajo Municipal:",
                                 "415",
                                 "FERRETERIA NANDU",
                                 "20-12345678-6",
                                 "Fecha de la retencion:",
                                 "05/10/2017",
                                 "12400.00",
                                 "5 por mil",
                                 "62.00",
                                 "SON PESOS SESENTA Y DOS CON 00/100",
                                 "Lugar y fecha: ____________________, 05/11/2017",
                                 "Firma del agente de retencion"})
        EXPECT_TRUE(first.contains(QString::fromLatin1(expected))) << expected << "\n" << first.toStdString();
    // The agent's name is printed twice: under its title and under the signature line.
    EXPECT_EQ(first.count(QStringLiteral("EMPRESA DEL SUR S.A.")), 2);

    const QString second = pageText(written.pdfPath, 2);
    EXPECT_TRUE(second.contains(QStringLiteral("0000000000124")));
    EXPECT_TRUE(second.contains(QStringLiteral("1000.99")));
    EXPECT_TRUE(second.contains(QStringLiteral("SON PESOS CINCO CON 00/100")));
    // The withholding of 0.00 has no page and uses no number.
    EXPECT_FALSE((first + second).contains(QStringLiteral("0000000000007")));
}

TEST_F(Certificates, PlaceAndLegajoWhenGiven)
{
    const QString declaration = writeDeclaration();
    const CertificatesWritten written =
        writeCertificates(declaration, std::nullopt,
                          CertificateIssue{QStringLiteral("0415"), IssueDate, QStringLiteral("Quenvara")});
    const QString page = pageText(written.pdfPath, 1);
    EXPECT_TRUE(page.contains(QStringLiteral("Lugar y fecha: Quenvara, 05/11/2017")));
    EXPECT_TRUE(page.contains(QStringLiteral("0415")));
}

// The longest amount in words and the longest agent name break into the lines the page has for
// them, and none of those runs past its place.
TEST_F(Certificates, LongTextsBreakIntoTheirLines)
{
    struct Case {
        CertificateText where;
        const char *text;
        int lines;
        double widthPoints;
        bool bold;
    };
    const Case cases[] = {
        {CertificateText::Words,
         "SON PESOS NOVECIENTOS NOVENTA Y NUEVE MILLONES NOVECIENTOS NOVENTA Y NUEVE MIL NOVECIENTOS NOVENTA "
         "Y "
         "NUEVE CON 99/100",
         2, 513, true},
        {CertificateText::Words, "SON PESOS SESENTA Y DOS CON 00/100", 1, 513, true},
        // The registry's longest agent name fits under the signature line.
        {CertificateText::Signer, "MATERIALES DE CONSTRUCCION EL LADRILLO", 1, 240, false},
        {CertificateText::Signer, "COOPERATIVA DE PROVISION DE SERVICIOS PUBLICOS Y VIVIENDA LIMITADA", 2,
         240, false},
    };
    for (const Case &c : cases) {
        const QString text = QString::fromUtf8(c.text);
        QStringList lines = wrapCertificateText(text, c.where);
        EXPECT_EQ(lines.join(QLatin1Char(' ')).trimmed(), text);
        lines.removeAll(QString());
        EXPECT_EQ(lines.size(), c.lines) << c.text;
        for (const QString &line : lines)
            EXPECT_LE(ArialMetrics::textWidth(toPdfText(line), c.bold, 10), c.widthPoints)
                << line.toStdString();
    }
}

// Every refusal leaves no PDF behind and says why in words the clerk understands.
TEST_F(Certificates, RefusalsWriteNothing)
{
    struct Case {
        const char *name;
        std::function<QString(DeclarationFolder &, std::optional<QString> &)> prepare;
        const char *says;
    };
    const Case cases[] = {
        {"missing",
         [](DeclarationFolder &t, std::optional<QString> &) {
             return t.folder.filePath(QStringLiteral("17A00415.txt"));
         },
         "No se encuentra el archivo"},
        {"changed since it was recorded",
         [](DeclarationFolder &t, std::optional<QString> &sha) {
             const QString path = t.writeDeclaration();
             sha = QString::fromLatin1(fileSha256(path));
             QFile file(path);
             EXPECT_TRUE(file.open(QIODevice::ReadWrite));
             file.seek(30); // a digit of the first withheld amount
             file.write("9");
             return path;
         },
         "fue modificado"},
        {"not a declaration",
         [](DeclarationFolder &t, std::optional<QString> &) {
             const QString path = t.folder.filePath(QStringLiteral("17A00415.txt"));
             QFile file(path);
             EXPECT_TRUE(file.open(QIODevice::WriteOnly));
             file.write("esto no es una declaracion\r\n");
             return path;
         },
         "El renglón 1 del archivo"},
        {"only withholdings of 0.00",
         [](DeclarationFolder &t, std::optional<QString> &) {
             return t.writeDeclaration(
                 {row("7", "06/10/2017", "99.90", "0", QStringLiteral("TERCERA"), "27-00000001-1")});
         },
         "no hay constancias"},
        {"folder taken by a file",
         [](DeclarationFolder &t, std::optional<QString> &) {
             QFile taken(t.folder.filePath(QStringLiteral("constancias")));
             EXPECT_TRUE(taken.open(QIODevice::WriteOnly));
             return t.writeDeclaration();
         },
         "No se puede crear la carpeta de constancias"},
        {"folder replaced by a link",
         [](DeclarationFolder &t, std::optional<QString> &) {
             EXPECT_TRUE(QDir(t.folder.path()).mkdir(QStringLiteral("elsewhere")));
             EXPECT_TRUE(QFile::link(t.folder.filePath(QStringLiteral("elsewhere")),
                                     t.folder.filePath(QStringLiteral("constancias"))));
             return t.writeDeclaration();
         },
         "No se puede crear la carpeta de constancias"},
    };
    for (const Case &c : cases) {
        DeclarationFolder t;
        ASSERT_TRUE(t.folder.isValid());
        std::optional<QString> sha;
        const QString path = c.prepare(t, sha);
        try {
            writeCertificates(path, sha, CertificateIssue{{}, IssueDate, {}});
            ADD_FAILURE() << c.name << ": certificates were made";
        } catch (const CertificateError &e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.says))) << c.name << ": " << e.what();
        }
        EXPECT_FALSE(QFile::exists(t.folder.filePath(QStringLiteral("constancias/17A00415.pdf")))) << c.name;
        EXPECT_FALSE(QFile::exists(t.folder.filePath(QStringLiteral("elsewhere/17A00415.pdf")))) << c.name;
    }
}
} // namespace

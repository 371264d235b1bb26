#include "certificates/certificates.h"

#include "certificates/certificate_page.h"
#include "certificates/certificate_text.h"
#include "common/text_file.h"
#include "declaration/declaration_file.h"
#include "declaration/filed_declaration.h"
#include "tests/report/pdf_probe.h"
#include "tests/support/withholding_rows.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <sys/stat.h>

namespace {
const DeclarationHeader Header{QStringLiteral("415"), QStringLiteral("10"), QStringLiteral("2017"),
                               QStringLiteral("30-71234567-1"), QString::fromUtf8("MUÑOZ Y CÍA S.A.")};
const QDate IssueDate(2017, 11, 5);

constexpr auto row = &withholdingRow;

QString sha(const QString &path)
{
    return QString::fromLatin1(fileSha256(path));
}

QString pageText(const QString &pdf, int page)
{
    return QString::fromUtf8(runTool(QStringLiteral("pdftotext"),
                                     {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                      QString::number(page), pdf, QStringLiteral("-")})
                                 .output);
}

// The page's text runs, one a line as pdftotext gives them.
QStringList lines(const QString &text)
{
    QStringList all = text.split(QLatin1Char('\n'));
    for (QString &line : all)
        line = line.trimmed();
    return all;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A folder with a declaration file in it.
struct DeclarationFolder {
    // 17A00415.txt: two withholdings and one of 0.00 between them.
    QString writeDeclaration(
        const QList<Withholding> &rows =
            {
                row("123", "05/10/2017", "4200000.00", "21000", QString::fromUtf8("FERRETERÍA ÑANDÚ"),
                    "20-12345678-6"),
                row("7", "06/10/2017", "99.90", "0", QStringLiteral("TERCERA"), "27-00000001-1"),
                row("124", "31/10/2017", "12400.00", "62", QStringLiteral("OTRA S.A."), "30-87654321-0"),
            },
        const QString &name = QStringLiteral("17A00415.txt"))
    {
        const QString path = folder.filePath(name);
        TextFile f;
        writeDeclarationFile(f, path, Header, rows);
        return path;
    }

    QTemporaryDir folder;
};

class Certificates : public ::testing::Test, public DeclarationFolder {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }
};

TEST(CertificateText, AmountsAsArgentinesWriteThem)
{
    const std::pair<qint64, const char *> cases[] = {
        {0, "$ 0,00"},
        {1, "$ 0,01"},
        {6200, "$ 62,00"},
        {99999, "$ 999,99"},
        {100000, "$ 1.000,00"},
        {420000000, "$ 4.200.000,00"},
        {97777760000, "$ 977.777.600,00"},
        {99999999999999, "$ 999.999.999.999,99"},
    };
    for (const auto &[cents, expected] : cases)
        EXPECT_EQ(amountInFigures(cents), QString::fromLatin1(expected)) << cents;
}

TEST_F(Certificates, EachPageHoldsTheOriginalAndTheDuplicateAsDeclared)
{
    const QString declaration = writeDeclaration();
    const CertificatesWritten written = writeCertificates(
        declaration, sha(declaration),
        CertificateIssue{{},
                         IssueDate,
                         {},
                         AgentDetails{QString::fromUtf8("Av. Belgrano 1234, Quenvara"),
                                      QString::fromUtf8("José Peña"), QStringLiteral("Socio gerente")},
                         {}});

    EXPECT_EQ(written.pdfPath, folder.filePath(QStringLiteral("constancias/17A00415.pdf")));
    EXPECT_EQ(written.certificates, 2);
    EXPECT_EQ(written.skipped, 1);
    EXPECT_EQ(runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), written.pdfPath}).exitCode, 0);
    ASSERT_EQ(pageCount(written.pdfPath), 2);
    const QByteArray bytes = fileBytes(written.pdfPath);
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; }));
    EXPECT_TRUE(bytes.contains("/MediaBox [0 0 595 841]"));

    const QString first = pageText(written.pdfPath, 1);
    for (const char *expected : {"CONSTANCIA DE RETENCIÓN",
                                 "MUNICIPALIDAD DE QUENVARA",
                                 "Tasas Municipales - Retención del 5 por mil",
                                 "0000000000123",
                                 "10/2017",
                                 "MUÑOZ Y CÍA S.A.",
                                 "30-71234567-1",
                                 "Legajo Municipal:",
                                 "415",
                                 "Av. Belgrano 1234, Quenvara",
                                 "FERRETERÍA ÑANDÚ",
                                 "20-12345678-6",
                                 "05/10/2017",
                                 "$ 4.200.000,00",
                                 "5 por mil",
                                 "$ 21.000,00",
                                 "SON PESOS VEINTIÚN MIL CON 00/100",
                                 "Lugar y fecha: ____________________, 05/11/2017",
                                 "José Peña",
                                 "Socio gerente",
                                 "Firma del agente de retención"})
        EXPECT_EQ(lines(first).count(QString::fromUtf8(expected)), 2) << expected;
    EXPECT_EQ(first.count(QStringLiteral("ORIGINAL")), 1);
    EXPECT_EQ(first.count(QStringLiteral("DUPLICADO")), 1);
    EXPECT_LT(first.indexOf(QStringLiteral("ORIGINAL")), first.indexOf(QStringLiteral("DUPLICADO")));
    EXPECT_TRUE(first.contains(QStringLiteral("SHA-256 ") + sha(declaration).left(16)));

    const QString second = pageText(written.pdfPath, 2);
    EXPECT_EQ(second.count(QStringLiteral("0000000000124")), 2);
    EXPECT_EQ(second.count(QStringLiteral("$ 12.400,00")), 2);
    EXPECT_EQ(second.count(QStringLiteral("$ 62,00")), 2);
    EXPECT_EQ(second.count(QStringLiteral("SON PESOS SESENTA Y DOS CON 00/100")), 2);
    EXPECT_EQ(second.count(QStringLiteral("ORIGINAL")) + second.count(QStringLiteral("DUPLICADO")), 2);
    // The withholding of 0.00 has no page and uses no number.
    EXPECT_FALSE((first + second).contains(QStringLiteral("0000000000007")));
}

TEST_F(Certificates, MissingAgentDetailsLeaveLinesForAPen)
{
    const QString declaration = writeDeclaration();
    const CertificatesWritten written = writeCertificates(
        declaration, sha(declaration),
        CertificateIssue{QStringLiteral("0415"), IssueDate, QStringLiteral("Quenvara"), {}, {}});
    const QString page = pageText(written.pdfPath, 1);
    EXPECT_EQ(page.count(QString::fromUtf8("Aclaración:")), 2);
    EXPECT_EQ(page.count(QStringLiteral("Cargo:")), 2);
    EXPECT_EQ(page.count(QStringLiteral("Domicilio:")), 2);
    EXPECT_TRUE(page.contains(QStringLiteral("Lugar y fecha: Quenvara, 05/11/2017")));
    EXPECT_TRUE(page.contains(QStringLiteral("0415")));
}

// Names of up to 60 characters, of the widest letters, stay within the frame and keep every
// letter; nothing comes within 1 cm of the page's edges.
TEST_F(Certificates, TheWidestNamesStayWithinTheFrame)
{
    const QString wide = QString(60, QLatin1Char('W'));
    const QString wideWords = QStringLiteral("MW ").repeated(20).trimmed();
    const QString real = QString::fromUtf8("DISTRIBUIDORA MAYORISTA DEL LITORAL ARGENTINO S.R.L. SUC. 12");
    const QString accents = QString::fromUtf8("ÑÑÑÑÑÑÑÑÑÑ ÁÉÍÓÚ MMMMMMMMMM WWWWWWWWWW ÑANDÚ ÓPTICA ÉXITO");
    const QString domicile = QStringLiteral("M").repeated(100);
    QList<Withholding> rows;
    int receipt = 1;
    for (const QString &name : {wide, wideWords, real, accents})
        rows << row(QByteArray::number(receipt++).constData(), "05/10/2017", "200.00", "1", name,
                    "20-12345678-6");
    const QString declaration = writeDeclaration(rows);
    CertificatesWritten written;
    try {
        written = writeCertificates(
            declaration, sha(declaration),
            CertificateIssue{{},
                             IssueDate,
                             {},
                             AgentDetails{domicile, QString(60, QLatin1Char('M')), QString(60, QChar(0xd1))},
                             {}});
    } catch (const CertificateError &e) {
        FAIL() << e.what();
    }
    ASSERT_EQ(pageCount(written.pdfPath), 4);
    const std::vector<PdfWord> words = wordsOf(written.pdfPath);
    const double edge = CertificateGeometry::EdgeClearance;
    for (const PdfWord &w : words) {
        EXPECT_GE(w.xMin, 39.7) << w.text.toStdString() << " page " << w.page;
        EXPECT_LE(w.xMax, CertificateGeometry::PageWidth - 39.7)
            << w.text.toStdString() << " page " << w.page;
        EXPECT_GE(w.yMin, edge) << w.text.toStdString();
        EXPECT_LE(w.yMax, CertificateGeometry::PageHeight - edge) << w.text.toStdString();
    }
    // Every letter of each name is on its page, twice (wrapped lines joined again).
    const QString names[] = {wide, wideWords, real, accents};
    for (int page = 1; page <= 4; ++page) {
        QString letters = pageText(written.pdfPath, page);
        letters.remove(QRegularExpression(QStringLiteral("\\s")));
        QString name = names[page - 1];
        name.remove(QLatin1Char(' '));
        EXPECT_EQ(letters.count(name), 2) << "page " << page;
        EXPECT_EQ(letters.count(domicile), 2) << "page " << page;
    }
}

// Every refusal leaves no PDF behind and says why in words the clerk understands.
TEST_F(Certificates, RefusalsWriteNothing)
{
    struct Case {
        const char *name;
        std::function<QString(DeclarationFolder &, QString &)> prepare;
        const char *says;
    };
    const Case cases[] = {
        {"missing",
         [](DeclarationFolder &t, QString &) { return t.folder.filePath(QStringLiteral("17A00415.txt")); },
         "No se encuentra el archivo"},
        {"changed since it was recorded",
         [](DeclarationFolder &t, QString &sha256) {
             const QString path = t.writeDeclaration();
             sha256 = sha(path);
             QFile file(path);
             EXPECT_TRUE(file.open(QIODevice::ReadWrite));
             file.seek(30);
             file.write("9");
             return path;
         },
         "fue modificado"},
        {"no fingerprint recorded",
         [](DeclarationFolder &t, QString &sha256) {
             sha256.clear();
             return t.writeDeclaration();
         },
         "fue modificado"},
        {"not a declaration",
         [](DeclarationFolder &t, QString &sha256) {
             const QString path = t.folder.filePath(QStringLiteral("17A00415.txt"));
             QFile file(path);
             EXPECT_TRUE(file.open(QIODevice::WriteOnly));
             file.write("esto no es una declaracion\r\n");
             file.close();
             sha256 = sha(path);
             return path;
         },
         "El renglón 1 del archivo"},
        {"only withholdings of 0.00",
         [](DeclarationFolder &t, QString &) {
             return t.writeDeclaration(
                 {row("7", "06/10/2017", "99.90", "0", QStringLiteral("TERCERA"), "27-00000001-1")});
         },
         "no hay constancias"},
        {"a name the program never writes",
         [](DeclarationFolder &t, QString &) {
             return t.writeDeclaration(
                 {row("7", "06/10/2017", "200.00", "1", QStringLiteral("X"), "27-00000001-1")},
                 QStringLiteral(".bash_login.txt"));
         },
         "no tiene el nombre ni la carpeta"},
        {"a path with ..",
         [](DeclarationFolder &t, QString &) {
             t.writeDeclaration();
             return t.folder.path() + QStringLiteral("/x/../17A00415.txt");
         },
         "no tiene el nombre ni la carpeta"},
        {"a link in the declaration's place",
         [](DeclarationFolder &t, QString &sha256) {
             const QString real = t.writeDeclaration(
                 {row("1", "06/10/2017", "200.00", "1", QStringLiteral("X"), "27-00000001-1")},
                 QStringLiteral("17A00416.txt"));
             sha256 = sha(real);
             const QString path = t.folder.filePath(QStringLiteral("17A00415.txt"));
             EXPECT_TRUE(QFile::link(real, path));
             return path;
         },
         "no es un archivo común"},
        {"a pipe in the declaration's place",
         [](DeclarationFolder &t, QString &sha256) {
             sha256 = QString(64, QLatin1Char('0'));
             const QString path = t.folder.filePath(QStringLiteral("17A00415.txt"));
             EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
             return path;
         },
         "no es un archivo común"},
        {"folder taken by a file",
         [](DeclarationFolder &t, QString &) {
             QFile taken(t.folder.filePath(QStringLiteral("constancias")));
             EXPECT_TRUE(taken.open(QIODevice::WriteOnly));
             return t.writeDeclaration();
         },
         "no es una carpeta suya"},
        {"folder replaced by a link",
         [](DeclarationFolder &t, QString &) {
             EXPECT_TRUE(QDir(t.folder.path()).mkdir(QStringLiteral("elsewhere")));
             EXPECT_TRUE(QFile::link(t.folder.filePath(QStringLiteral("elsewhere")),
                                     t.folder.filePath(QStringLiteral("constancias"))));
             return t.writeDeclaration();
         },
         "no es una carpeta suya"},
    };
    for (const Case &c : cases) {
        DeclarationFolder t;
        ASSERT_TRUE(t.folder.isValid());
        QString sha256 = QStringLiteral("unset");
        QString path = c.prepare(t, sha256);
        if (sha256 == QLatin1String("unset"))
            sha256 = sha(path);
        try {
            writeCertificates(path, sha256, CertificateIssue{{}, IssueDate, {}, {}, {}});
            ADD_FAILURE() << c.name << ": certificates were made";
        } catch (const CertificateError &e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.says))) << c.name << ": " << e.what();
        }
        EXPECT_FALSE(QFile::exists(t.folder.filePath(QStringLiteral("constancias/17A00415.pdf")))) << c.name;
        EXPECT_FALSE(QFile::exists(t.folder.filePath(QStringLiteral("elsewhere/17A00415.pdf")))) << c.name;
    }
}

// Certificates of a corrected declaration do not replace the earlier version's: those are kept
// first, once; the same declaration's certificates made again replace their own.
TEST_F(Certificates, AnEarlierVersionsCertificatesAreKept)
{
    const QString declaration = writeDeclaration();
    const CertificatesWritten first = writeCertificates(declaration, sha(declaration), {});
    const QByteArray firstPdf = fileBytes(first.pdfPath);
    EXPECT_TRUE(first.keptEarlier.isEmpty());
    const CertificatesWritten again = writeCertificates(declaration, sha(declaration), {});
    EXPECT_TRUE(again.keptEarlier.isEmpty());
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("constancias/anteriores"))));

    writeDeclaration({row("125", "05/10/2017", "400.00", "2", QStringLiteral("CORREGIDA"), "20-12345678-6")});
    const CertificatesWritten corrected = writeCertificates(declaration, sha(declaration), {});
    ASSERT_FALSE(corrected.keptEarlier.isEmpty());
    EXPECT_TRUE(
        corrected.keptEarlier.startsWith(folder.filePath(QStringLiteral("constancias/anteriores/17A00415 "))))
        << corrected.keptEarlier.toStdString();
    EXPECT_EQ(fileBytes(corrected.keptEarlier),
              fileBytes(first.pdfPath) == firstPdf ? QByteArray() : firstPdf);
    EXPECT_TRUE(pageText(corrected.pdfPath, 1).contains(QStringLiteral("CORREGIDA")));
    EXPECT_EQ(QDir(folder.filePath(QStringLiteral("constancias/anteriores"))).entryList(QDir::Files).size(),
              1);

    // A kept declaration's certificates go beside the current ones, under its kept name.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("anteriores")));
    const QString kept = folder.filePath(QStringLiteral("anteriores/17A00415 2026-12-09 10.31.05.txt"));
    ASSERT_TRUE(QFile::copy(declaration, kept));
    const CertificatesWritten old =
        writeCertificates(kept, sha(kept), CertificateIssue{{}, {}, {}, {}, QStringLiteral("17A00415")});
    EXPECT_EQ(old.pdfPath, folder.filePath(QStringLiteral("constancias/17A00415 2026-12-09 10.31.05.pdf")));
}
} // namespace

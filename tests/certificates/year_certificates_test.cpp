// A supplier's certificates for a year, from the declarations recorded in a real database, and the
// agent's details kept in table AGENTE.
#include "certificates/agent_details.h"
#include "certificates/certificates.h"

#include "tests/certificates/recorded_year.h"
#include "tests/db/store_fixture.h"
#include "tests/report/pdf_probe.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
const QString Supplier = QString::fromUtf8("FERRETERÍA ÑANDÚ");

Withholding withholding(int receipt, int month, const char *withheld, const QString &name, const char *cuit)
{
    return {QString::number(receipt),
            QStringLiteral("05/%1/2017").arg(month, 2, 10, QLatin1Char('0')),
            QStringLiteral("200.00"),
            QString::fromLatin1(withheld),
            name,
            QString::fromLatin1(cuit)};
}

class YearCertificates : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        ASSERT_TRUE(folder.isValid());
    }

    // Twelve months, each with one withholding to the supplier (receipt month*100) and one to another.
    std::vector<FiledDeclaration> recordYear()
    {
        std::vector<FiledDeclaration> months;
        for (int month = 1; month <= 12; ++month)
            months.push_back(recordDeclaration(
                *connection_, folder.path(), 2017, month,
                {withholding(month * 100, month, "1", Supplier, "30-71111111-1"),
                 withholding(month * 100 + 1, month, "2", QStringLiteral("OTRO"), "20-12345678-6")}));
        return months;
    }

    QString pdfText(const QString &pdf)
    {
        return QString::fromUtf8(runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).output);
    }

    QTemporaryDir folder;
};

TEST_F(YearCertificates, TheLatestVersionOfEachPeriodReadOnlyFromItsRecordedBytes)
{
    std::vector<FiledDeclaration> months = recordYear();
    saveAgentDetails(*connection_, QStringLiteral("0415"),
                     AgentDetails{QString::fromUtf8("Calle Ñandú 12"), QStringLiteral("ANA PAZ"),
                                  QStringLiteral("Tesorera")});
    // March corrected: version 1 kept in anteriores, version 2 in its place with another receipt.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("anteriores")));
    const QString kept = folder.filePath(QStringLiteral("anteriores/17300415 2018-01-10 10.00.01.txt"));
    ASSERT_TRUE(QFile::rename(months[2].file, kept));
    {
        Transaction work(*connection_);
        Query q(work);
        q.setSql(QStringLiteral("update declaracion set archivo = :a where base = '17300415'"));
        q.setUnicodeText(QStringLiteral("a"), kept);
        q.execute();
        work.commit();
    }
    recordDeclaration(*connection_, folder.path(), 2017, 3,
                      {withholding(3333, 3, "4", Supplier, "30-71111111-1")}, 2);
    // May changed on the disk after it was recorded; July's row names a path of another shape.
    QFile may(months[4].file);
    ASSERT_TRUE(may.open(QIODevice::Append));
    may.write("x");
    may.close();
    {
        Transaction work(*connection_);
        Query q(work);
        q.setSql(QStringLiteral("update declaracion set archivo = :a where base = '17700415'"));
        q.setUnicodeText(QStringLiteral("a"), folder.filePath(QStringLiteral(".bash_login")));
        q.execute();
        work.commit();
    }

    const CertificatesWritten written = writeYearCertificates(
        *connection_, YearRequest{QStringLiteral("30711111111"), 2017, {}, QDate(2018, 2, 1)});
    EXPECT_EQ(written.pdfPath, folder.filePath(QStringLiteral("constancias/2017 30-71111111-1.pdf")));
    EXPECT_EQ(written.certificates, 10);
    ASSERT_EQ(written.periodsLeftOut.size(), 2)
        << written.periodsLeftOut.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(written.periodsLeftOut[0].startsWith(QStringLiteral("05/2017")))
        << written.periodsLeftOut[0].toStdString();
    EXPECT_TRUE(written.periodsLeftOut[0].contains(QStringLiteral("modificado")));
    EXPECT_TRUE(written.periodsLeftOut[1].startsWith(QStringLiteral("07/2017")));
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral(".bash_login"))));
    EXPECT_EQ(runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), written.pdfPath}).exitCode, 0);
    ASSERT_EQ(pageCount(written.pdfPath), 10);

    const QString text = pdfText(written.pdfPath);
    EXPECT_EQ(text.count(QStringLiteral("ORIGINAL")), 10);
    EXPECT_EQ(text.count(QStringLiteral("DUPLICADO")), 10);
    EXPECT_EQ(text.count(Supplier), 20);
    EXPECT_EQ(text.count(QStringLiteral("OTRO")), 0);
    EXPECT_EQ(text.count(QString::fromUtf8("Calle Ñandú 12")), 20);
    EXPECT_EQ(text.count(QStringLiteral("Tesorera")), 20);
    EXPECT_TRUE(text.contains(QStringLiteral("0000000003333")));
    EXPECT_FALSE(text.contains(QStringLiteral("0000000000300")));
    EXPECT_FALSE(text.contains(QStringLiteral("0000000000500")));
    // In the order of the periods.
    EXPECT_LT(text.indexOf(QStringLiteral("0000000000100")), text.indexOf(QStringLiteral("0000000001200")));
}

TEST_F(YearCertificates, NothingToCertifySaysWhyAndWritesNothing)
{
    recordYear();
    const YearRequest requests[] = {
        {QStringLiteral("27-00000001-1"), 2017, {}, {}},
        {QStringLiteral("30-71111111-1"), 2016, {}, {}},
        {QStringLiteral("30-71111111-1"), 2017, QStringLiteral("999"), {}},
        {QString(), 2017, {}, {}},
    };
    for (const YearRequest &request : requests) {
        EXPECT_THROW(writeYearCertificates(*connection_, request), CertificateError)
            << request.cuit.toStdString();
    }
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("constancias"))));
}

TEST_F(YearCertificates, AgentDetailsAreSharedAndOptional)
{
    EXPECT_TRUE(hasAgentTable(*connection_));
    EXPECT_FALSE(readAgentDetails(*connection_, QStringLiteral("415")));
    const AgentDetails details{QString::fromUtf8("  Pasaje Ñandubay 7  "), QString::fromUtf8("José Peña"),
                               QString(70, QLatin1Char('X'))};
    saveAgentDetails(*connection_, QStringLiteral("00415"), details);
    const std::optional<AgentDetails> read = readAgentDetails(*connection_, QStringLiteral("415"));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->domicile, QString::fromUtf8("Pasaje Ñandubay 7"));
    EXPECT_EQ(read->signer, QString::fromUtf8("José Peña"));
    EXPECT_EQ(read->position, QString(60, QLatin1Char('X')));
    saveAgentDetails(*connection_, QStringLiteral("415"), AgentDetails{});
    EXPECT_TRUE(readAgentDetails(*connection_, QStringLiteral("415"))->empty());

    // A database made before the table: no details, no error, and saving is refused.
    {
        Transaction work(*connection_);
        Query q(work);
        q.setSql(QStringLiteral("drop table AGENTE"));
        q.execute();
        work.commit();
    }
    EXPECT_FALSE(hasAgentTable(*connection_));
    EXPECT_FALSE(readAgentDetails(*connection_, QStringLiteral("415")));
    EXPECT_THROW(saveAgentDetails(*connection_, QStringLiteral("415"), details), DatabaseError);
}
} // namespace

#include "app/accessible_names.h"
#include "tests/app/window_fixture.h"
#include "withholdings/grid_model.h"
#include "withholdings/withholding.h"

#include <QAccessible>
#include <QLabel>

namespace {

Withholding withholding(const char *receipt, const char *withheld)
{
    Withholding w;
    w.receipt = QString::fromLatin1(receipt);
    w.date = QStringLiteral("15/10/2017");
    w.invoiceAmount = QStringLiteral("8000.50");
    w.withheldAmount = QString::fromLatin1(withheld);
    w.companyName = QStringLiteral("PROVEEDOR UNO");
    w.supplierCuit = QStringLiteral("20-29985385-4");
    return w;
}

TEST(RowAnnouncement, SaysWhatHappenedToTheRowAndTheNewTotal)
{
    GridModel model;
    model.writeTitles();
    model.append(withholding("1001", "40"));
    model.append(withholding("1002", "75"));
    model.deleteRow(1);
    struct Case {
        int row;
        QString said;
    };
    const Case cases[] = {
        {1, QStringLiteral("Renglón 1 borrado. Total Retenciones 75")},
        {2,
         QStringLiteral("Renglón 2 agregado: comprobante 1002, importe retención 75. Total Retenciones 75")},
        {3, QString()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(rowAnnouncement(model, c.row), c.said) << "row " << c.row;
}

// The window as a reader meets it; the platform tells no reader here, the window's
// announcements are read from its notice. (The status line's are heard in the test with Orca:
// Qt tells of a label's new text only to a reader that is there.)
class Announcements : public WindowTest {
protected:
    void SetUp() override
    {
        installAccessibleInterfaces();
        WindowTest::SetUp();
    }
};

TEST_F(Announcements, TheAgentFoundAndEachNewRowAreAnnounced)
{
    type(w->e_legaJo, QStringLiteral("415"));
    QTest::keyClick(w->e_legaJo, Qt::Key_Tab);
    QTest::qWait(10);
    ASSERT_FALSE(w->e_Razon->text().isEmpty());
    EXPECT_EQ(lastAnnouncement(*w),
              QStringLiteral("Agente %1, CUIT %2").arg(w->e_Razon->text(), w->e_Cuit->text()));

    w->gridModel->append(withholding("1001", "40"));
    QTest::qWait(10);
    EXPECT_TRUE(lastAnnouncement(*w).startsWith(QStringLiteral("Renglón 1 agregado")))
        << lastAnnouncement(*w).toStdString();

    // The reader is told by a notification, and nothing is drawn for it.
    auto *notice = w->findChild<QLabel *>(QStringLiteral("avisoLector"));
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(notice->isVisible());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(notice)->role(), QAccessible::Notification);
}

} // namespace

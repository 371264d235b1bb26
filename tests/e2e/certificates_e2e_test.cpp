#include "tests/e2e/window_on_database.h"

#include "app/masked_edit.h"
#include "app/tf_retenciones.h"
#include "declaration/reten_store.h"
#include "tests/report/pdf_probe.h"
#include "tests/support/scripted_dialogs.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

namespace {
class CertificatesThroughWindow : public WindowOnDatabase {
public:
    void SetUp() override
    {
        WindowOnDatabase::SetUp();
        open(path_);
    }

    // Legajo 140, March 2017, two withholdings and one of 0.00, confirmed.
    void confirmDeclaration()
    {
        enterHeaderDirectly();
        window->gridModel->append(
            cells("1", "01/03/2017", "200.00", "1", QStringLiteral("A"), "20-12345678-6"));
        window->gridModel->append(
            cells("2", "02/03/2017", "20.00", "0", QStringLiteral("B"), "20-12345678-6"));
        window->gridModel->append(
            cells("3", "03/03/2017", "400.00", "2", QStringLiteral("C"), "20-12345678-6"));
        dialogs.confirmations = {true};
        QTest::mouseClick(window->B_Confirma, Qt::LeftButton);
        ASSERT_EQ(dialogs.errors(), QStringList());
        dialogs.clear();
    }
};

TEST_F(CertificatesThroughWindow, F8AfterConfirmaOpensTheCertificatesOfThatDeclaration)
{
    // Nothing confirmed yet in this session: F8 says so and makes nothing.
    QTest::keyClick(window->e_legaJo, Qt::Key_F8);
    ASSERT_EQ(dialogs.informations().size(), 1u);
    EXPECT_TRUE(dialogs.informations().front().contains(QStringLiteral("CONFIRMA")));
    EXPECT_EQ(dialogs.openedFiles(), QStringList());
    dialogs.clear();

    confirmDeclaration();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_EQ(QApplication::focusWidget(), window->e_legaJo);
    QTest::keyClick(window->e_legaJo, Qt::Key_F8);

    const QString pdf = workFile(QStringLiteral("constancias/17300140.pdf"));
    EXPECT_EQ(dialogs.informations(), QStringList());
    EXPECT_EQ(dialogs.openedFiles(), QStringList{pdf});
    EXPECT_EQ(runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf}).exitCode, 0);
    EXPECT_EQ(pageCount(pdf), 2);
    const auto words = wordsOf(pdf);
    EXPECT_NE(findWord(words, 1, QStringLiteral("0000000000001")), nullptr);
    EXPECT_NE(findWord(words, 2, QStringLiteral("0000000000003")), nullptr);
    EXPECT_TRUE(window->salida->text().contains(QDir::toNativeSeparators(pdf)));
    // The keys and the focus are where they were.
    EXPECT_EQ(QApplication::focusWidget(), window->e_legaJo);

    // The button does the same, without taking the focus or a place in the Tab order.
    EXPECT_EQ(window->B_Constancias->focusPolicy(), Qt::NoFocus);
    dialogs.clear();
    QTest::mouseClick(window->B_Constancias, Qt::LeftButton);
    EXPECT_EQ(dialogs.openedFiles(), QStringList{pdf});
    EXPECT_EQ(QApplication::focusWidget(), window->e_legaJo);

    // A declaration file changed after its CONFIRMA gets no certificates.
    dialogs.clear();
    QFile::remove(pdf);
    writeAll(workFile(QStringLiteral("17300140.txt")), QByteArray("cambiado\r\n"));
    QTest::keyClick(window->e_legaJo, Qt::Key_F8);
    ASSERT_EQ(dialogs.informations().size(), 1u);
    EXPECT_TRUE(dialogs.informations().front().contains(QStringLiteral("fue modificado")));
    EXPECT_EQ(dialogs.openedFiles(), QStringList());
    EXPECT_FALSE(QFile::exists(pdf));
}
} // namespace

#include "tests/e2e/window_on_database.h"

#include "app/masked_edit.h"
#include "app/tf_constancias_anio.h"
#include "app/tf_datos_agente.h"
#include "app/tf_retenciones.h"
#include "declaration/reten_store.h"
#include "tests/report/pdf_probe.h"
#include "tests/support/scripted_dialogs.h"
#include "withholdings/supplier_register.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <memory>

namespace {
class CertificatesThroughWindow : public WindowOnDatabase {
public:
    // Runs the action on the next modal window once it is open.
    static void whenModal(std::function<void()> action)
    {
        auto *poll = new QTimer;
        poll->setInterval(5);
        auto *clock = new QElapsedTimer;
        clock->start();
        QObject::connect(poll, &QTimer::timeout, poll, [poll, clock, action = std::move(action)] {
            if (!QApplication::activeModalWidget() && clock->elapsed() < 10000)
                return;
            delete clock;
            poll->stop();
            poll->deleteLater();
            if (QApplication::activeModalWidget())
                action();
        });
        poll->start();
    }

    // Presses the key on the legajo box; the window it opens has closed when it returns, and the
    // main window is active again, as the window manager makes it.
    void pressOpeningModal(Qt::Key key)
    {
        QTest::keyClick(window->e_legaJo, key);
        // The offscreen platform gives the focus back to nobody; a desktop gives it back to the box.
        QApplication::setActiveWindow(window.get());
        window->e_legaJo->setFocus(Qt::ActiveWindowFocusReason);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // Types as the keyboard does, a letter with an accent with its key code and its text.
    static void typeText(QWidget *widget, const QString &text)
    {
        for (const QChar c : text) {
            if (c.unicode() < 128) {
                QTest::keyClick(widget, c.toLatin1());
                continue;
            }
            const auto key = Qt::Key(c.toUpper().unicode());
            QTest::sendKeyEvent(QTest::Press, widget, key, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, widget, key, QString(c), Qt::NoModifier);
        }
    }

    // Types the texts into the open modal window's boxes, Tab between them, then presses `last`;
    // gives the window's name.
    static QString typeIntoModal(const QStringList &texts, Qt::Key last)
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return {};
        QApplication::setActiveWindow(modal);
        const auto focus = [modal] { return modal->focusWidget() ? modal->focusWidget() : modal; };
        for (const QString &text : texts) {
            if (auto *edit = qobject_cast<QLineEdit *>(focus()))
                edit->selectAll();
            typeText(focus(), text);
            QTest::keyClick(focus(), Qt::Key_Tab);
        }
        QString name = modal->objectName();
        QTest::keyClick(focus(), last);
        if (QApplication::activeModalWidget() == modal) {
            name += QStringLiteral(" (still open)");
            static_cast<QDialog *>(modal)->reject();
        }
        return name;
    }

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
    // The agent's details are missing: the first F8 asks for them, typed and saved with Enter.
    QString asked;
    whenModal([&] {
        asked = typeIntoModal(
            {QString::fromUtf8("Av. Ñandú 10"), QStringLiteral("ANA PAZ"), QStringLiteral("Tesorera")},
            Qt::Key_Return);
    });
    pressOpeningModal(Qt::Key_F8);
    EXPECT_EQ(asked, QStringLiteral("F_DatosAgente"));

    const QString pdf = workFile(QStringLiteral("constancias/17300140.pdf"));
    EXPECT_EQ(dialogs.informations(), QStringList());
    EXPECT_EQ(dialogs.openedFiles(), QStringList{pdf});
    EXPECT_EQ(runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf}).exitCode, 0);
    EXPECT_EQ(pageCount(pdf), 2);
    const auto words = wordsOf(pdf);
    EXPECT_NE(findWord(words, 1, QStringLiteral("0000000000001")), nullptr);
    EXPECT_NE(findWord(words, 2, QStringLiteral("0000000000003")), nullptr);
    EXPECT_EQ(countWords(words, 1, QStringLiteral("Tesorera")), 2);
    EXPECT_EQ(countWords(words, 1, QString::fromUtf8("Ñandú")), 2);
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
// F9 asks for a legajo first; the window "Datos del agente" is driven by keyboard: Tab between the
// boxes, Enter saves for every clerk, Esc leaves what was saved as it was.
TEST_F(CertificatesThroughWindow, TheAgentsDetailsByKeyboard)
{
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window->e_legaJo, Qt::Key_F9);
    ASSERT_EQ(dialogs.informations().size(), 1u);
    EXPECT_TRUE(dialogs.informations().front().contains(QStringLiteral("legajo")));
    dialogs.clear();

    Connection &connection = window->retenStore().Conector;
    {
        TF_DatosAgente details(dialogs, connection, QStringLiteral("140"), QStringLiteral("ORTIZ"),
                               window.get());
        ASSERT_TRUE(details.load());
        details.open();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&details));
        typeText(details.e_Domicilio, QString::fromUtf8("Pasaje Ñandú 5"));
        typeText(details.e_Firmante, QStringLiteral("ANA PAZ"));
        QTest::keyClick(details.e_Firmante, Qt::Key_Return);
        EXPECT_EQ(details.result(), QDialog::Accepted);
    }
    std::optional<AgentDetails> saved = readAgentDetails(connection, QStringLiteral("140"));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->domicile, QString::fromUtf8("Pasaje Ñandú 5"));
    EXPECT_EQ(saved->signer, QStringLiteral("ANA PAZ"));
    {
        TF_DatosAgente details(dialogs, connection, QStringLiteral("140"), QStringLiteral("ORTIZ"),
                               window.get());
        ASSERT_TRUE(details.load());
        EXPECT_EQ(details.e_Domicilio->text(), QString::fromUtf8("Pasaje Ñandú 5"));
        details.open();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&details));
        typeText(details.e_Domicilio, QStringLiteral("OTRA"));
        QTest::keyClick(details.e_Domicilio, Qt::Key_Escape);
        EXPECT_EQ(details.result(), QDialog::Rejected);
    }
    EXPECT_EQ(readAgentDetails(connection, QStringLiteral("140"))->domicile,
              QString::fromUtf8("Pasaje Ñandú 5"));
    EXPECT_EQ(dialogs.informations(), QStringList());
}
// A supplier's year is asked by CUIT, or by a name the register completes; a text that names no
// supplier, or a year without his withholdings, is said so and writes nothing.
TEST_F(CertificatesThroughWindow, ASuppliersYearIsChosenByCuitOrName)
{
    window->suppliers().learn(QStringLiteral("30-71111111-1"), QString::fromUtf8("FERRETERÍA ÑANDÚ"));
    TF_ConstanciasAnio year(dialogs, window->retenStore().Conector, &window->suppliers(), {}, 2017,
                            window.get());
    const std::pair<const char *, const char *> cases[] = {
        {"30-71111111-1", "30-71111111-1"},
        {"30711111111", "30711111111"},
        {"ferreteria nandu", "30-71111111-1"},
        {"FERRETERÍA ÑANDÚ - 30-71111111-1", "30-71111111-1"},
        {"FERRE", ""},
        {"3071111111", ""},
    };
    for (const auto &[typed, cuit] : cases) {
        year.e_Proveedor->setText(QString::fromUtf8(typed));
        EXPECT_EQ(year.chosenCuit(), QString::fromLatin1(cuit)) << typed;
    }
    year.e_Proveedor->setText(QStringLiteral("FERRE"));
    year.B_GenerarClick();
    year.e_Proveedor->setText(QStringLiteral("30-71111111-1"));
    year.B_GenerarClick();
    ASSERT_EQ(dialogs.informations().size(), 2u);
    EXPECT_TRUE(dialogs.informations()[0].contains(QStringLiteral("Elija el proveedor")));
    EXPECT_TRUE(dialogs.informations()[1].contains(QStringLiteral("No hay retenciones")));
    EXPECT_EQ(dialogs.openedFiles(), QStringList());
    EXPECT_FALSE(QFile::exists(workFile(QStringLiteral("constancias"))));
}
} // namespace

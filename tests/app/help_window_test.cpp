#include "app/tf_ayuda.h"

#include "tests/support/qt_print.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

static void initPictures()
{
    Q_INIT_RESOURCE(retenciones);
}

namespace {

// One application object for the whole test program, whichever test needs it first.
void ensureApplication()
{
    if (QApplication::instance() != nullptr)
        return;
    static int argc = 1;
    static char name[] = "app_tests";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

// Shows the window modally, runs `whileShown` once the modal loop is running, then closes it
// with its close button's route (close()). A watchdog closes it too, so a failing check can
// never leave the test waiting on a modal loop.
void runModal(TF_ayuda &window, const std::function<void()> &whileShown)
{
    QTimer::singleShot(0, &window, [&window, whileShown] {
        whileShown();
        window.close();
    });
    QTimer::singleShot(10000, &window, [&window] { window.close(); });
    window.exec();
}

class HelpWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureApplication(); }
};

TEST_F(HelpWindow, HoldsTheHelpTextLineByLine)
{
    // Trailing blanks and doubled blanks are part of the text as written.
    const QStringList expected = {
        "Esta Aplicación permite generar archivo de retenciones para ser ",
        "presentado en la Municipalidad de Quenvara.",
        "",
        "Usted debe ingresar primero su nro de Legajo Municipal, nro de Mes de ",
        "presentacion y  Año",
        "",
        "Luego en forma ciclica debe ingresar los datos de las retenciones ",
        "efectuadas, Cuit del comercio retenido,Razon Social,Fecha de la retención ",
        "(debe ser del mismo periodo de presentación), nro de factura y el  importe de ",
        "la factura . Luego debe  Oprimir el botón ADICIONA.",
        "",
        "Cuando ingrese todas las retenciones debe Oprimir el botón ",
        "CONFIRMA, y la aplicacion generara dos archivos uno txt que es el que debe ",
        "presentar en el municipio y otro PDF para ",
        "su control. El nombre del archivo esta formado por el  año ",
        ", mes y el legajo municipal completado con ceros a la izquierda.",
        "(para los meses 10,11 y 12 se completa con A,B,C)",
        "",
        "Importante: La separación de decimales tiene que ir punto (.) , y en la ",
        "separación",
        "de miles Coma (,)",
    };
    TF_ayuda window;
    const QStringList lines = window.Memo1->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 21);
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
    EXPECT_EQ(window.Memo1->document()->blockCount(), 21);
}

TEST_F(HelpWindow, WindowProperties)
{
    TF_ayuda window;
    EXPECT_EQ(window.objectName(), "F_ayuda");
    EXPECT_STREQ(window.metaObject()->className(), "TF_ayuda");
    EXPECT_EQ(window.windowTitle(), "Ayuda");
    EXPECT_EQ(window.size(), QSize(518, 382));
    EXPECT_TRUE(window.isHidden());

    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowContextHelpButtonHint));
    // Sizeable: nothing pins the size.
    EXPECT_NE(window.minimumSize(), window.maximumSize());

    EXPECT_TRUE(window.autoFillBackground());
    EXPECT_EQ(window.palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(window.font().family(), "Tahoma");
    EXPECT_EQ(window.font().pixelSize(), 11);
}

TEST_F(HelpWindow, TextBoxLook)
{
    TF_ayuda window;
    QPlainTextEdit *memo = window.Memo1;
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->objectName(), "Memo1");
    EXPECT_EQ(memo->parentWidget(), &window);
    EXPECT_EQ(memo->geometry(), QRect(80, 72, 385, 233));
    EXPECT_EQ(memo->palette().color(QPalette::Base), QColor(0xE1, 0xED, 0xFB));
    EXPECT_EQ(memo->font(), window.font());
    EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_NE(memo->wordWrapMode(), QTextOption::NoWrap);
    EXPECT_FALSE(memo->isReadOnly());

    // The box is the only control that takes the focus.
    const QList<QWidget *> children = window.findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (child != memo && !memo->isAncestorOf(child)) {
            EXPECT_FALSE(child->focusPolicy() & Qt::TabFocus) << child->metaObject()->className();
        }
    }
    EXPECT_TRUE(memo->focusPolicy() & Qt::TabFocus);
}

TEST_F(HelpWindow, TextBoxKeepsPlaceAndSizeWhenResized)
{
    TF_ayuda window;
    window.show();
    for (const QSize &size : {QSize(800, 600), QSize(300, 200), QSize(518, 382)}) {
        window.resize(size);
        QCoreApplication::processEvents();
        EXPECT_EQ(window.Memo1->geometry(), QRect(80, 72, 385, 233)) << size.width() << "x" << size.height();
    }
    window.hide();
}

TEST_F(HelpWindow, ShownModallyCentredOnTheScreenWithFocusInTheText)
{
    // Even with a parent away from the centre, the window centres on the screen.
    QWidget owner;
    owner.setGeometry(0, 0, 200, 150);
    owner.show();
    TF_ayuda window(&owner);
    bool wasModal = false;
    QPoint centre;
    QWidget *focus = nullptr;
    runModal(window, [&] {
        wasModal = QApplication::activeModalWidget() == &window;
        centre = window.frameGeometry().center();
        focus = window.focusWidget();
    });
    EXPECT_TRUE(wasModal);
    const QPoint screenCentre = window.screen()->geometry().center();
    EXPECT_LE(std::abs(centre.x() - screenCentre.x()), 1);
    EXPECT_LE(std::abs(centre.y() - screenCentre.y()), 1);
    EXPECT_EQ(focus, window.Memo1);
}

TEST_F(HelpWindow, ClosingHidesAndKeepsWhatWasTyped)
{
    auto window = std::make_unique<TF_ayuda>();
    QPointer<TF_ayuda> guard(window.get());
    const QString original = window->Memo1->toPlainText();

    runModal(*window, [&] {
        window->Memo1->moveCursor(QTextCursor::End);
        QTest::keyClicks(window->Memo1, QStringLiteral(" nota"));
        // Esc neither closes the window nor changes the text.
        QTest::keyClick(window->Memo1, Qt::Key_Escape);
        EXPECT_TRUE(window->isVisible());
        // Tab does not put a tab character into the text.
        QTest::keyClick(window->Memo1, Qt::Key_Tab);
    });
    ASSERT_FALSE(guard.isNull());
    EXPECT_TRUE(window->isHidden());
    EXPECT_EQ(window->Memo1->toPlainText(), original + " nota");

    // The next showing in the same run shows the same, edited text.
    QString shownAgain;
    bool visibleAgain = false;
    runModal(*window, [&] {
        visibleAgain = window->isVisible();
        shownAgain = window->Memo1->toPlainText();
    });
    EXPECT_TRUE(visibleAgain);
    EXPECT_EQ(shownAgain, original + " nota");
    EXPECT_FALSE(guard.isNull());
}

TEST_F(HelpWindow, OpeningTwiceShowsTheSameText)
{
    TF_ayuda window;
    QStringList seen;
    for (int i = 0; i < 2; ++i)
        runModal(window, [&] { seen << window.Memo1->toPlainText(); });
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_EQ(window.size(), QSize(518, 382));
}

struct PictureCase {
    const char *path;
    QSize size;
    bool transparent;
};

class Pictures : public ::testing::TestWithParam<PictureCase> {
protected:
    static void SetUpTestSuite()
    {
        ensureApplication();
        initPictures();
    }
};

TEST_P(Pictures, LoadFromTheResourcesAtTheirSize)
{
    const PictureCase &c = GetParam();
    QImage image(QString::fromLatin1(c.path));
    ASSERT_FALSE(image.isNull()) << c.path;
    EXPECT_EQ(image.size(), c.size);
    if (c.transparent) {
        // Glyphs show the button's face around them and are drawn in the middle.
        ASSERT_TRUE(image.hasAlphaChannel());
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(31, 31)), 0);
        EXPECT_EQ(qAlpha(image.pixel(16, 16)), 255);
    }
}

INSTANTIATE_TEST_SUITE_P(Resources, Pictures,
                         ::testing::Values(PictureCase{":/images/escudo.jpg", QSize(213, 107), false},
                                           PictureCase{":/images/titulo.jpg", QSize(232, 107), false},
                                           PictureCase{":/images/diskette.png", QSize(32, 32), true},
                                           PictureCase{":/images/check.png", QSize(32, 32), true}),
                         [](const ::testing::TestParamInfo<PictureCase> &info) {
                             return QFileInfo(QString::fromLatin1(info.param.path)).baseName().toStdString();
                         });

TEST(CheckGlyph, IsAWhiteMarkOnABlueDisc)
{
    ensureApplication();
    initPictures();
    const QImage check(QStringLiteral(":/images/check.png"));
    ASSERT_FALSE(check.isNull());
    // A point on the disc away from the mark, and a point on the mark's stroke.
    const QColor disc = check.pixelColor(16, 27);
    EXPECT_GT(disc.blue(), disc.red() + 60);
    const QColor mark = check.pixelColor(13, 21);
    EXPECT_GT(mark.red(), 220);
    EXPECT_GT(mark.green(), 220);
    EXPECT_GT(mark.blue(), 220);
}

} // namespace

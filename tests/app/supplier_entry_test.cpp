#include "tests/app/window_fixture.h"

#include "app/masked_edit.h"
#include "tests/support/qt_print.h"
#include "withholdings/grid_model.h"
#include "withholdings/supplier_register.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFrame>
#include <QPushButton>
#include <QTemporaryDir>

#include <iostream>

namespace {
const QString Nandu = QStringLiteral("FERRETERÍA ÑANDÚ S.R.L.");
const QString NanduCuit = QStringLiteral("20-12345678-6");

// The clerk at the keyboard: every key is counted, and goes to the widget that has the focus,
// with its text, as the platform delivers it.
class Keyboard {
public:
    void press(Qt::Key key)
    {
        QTest::keyClick(QApplication::focusWidget(), key);
        ++count;
    }
    void type(const QString &text)
    {
        for (const QChar c : text) {
            QTest::keyClicks(QApplication::focusWidget(), QString(c));
            ++count;
        }
    }
    int count = 0;
};

class SupplierEntry : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        previous_ = QDir::currentPath();
        QDir::setCurrent(folder_.path());
    }
    void TearDown() override { QDir::setCurrent(previous_); }

    // Legajo 415, March 2017, then "Carga Manual" with the Enter key, as the clerk does it.
    void startManual(Keyboard &keys)
    {
        keys.type(QStringLiteral("415"));
        keys.press(Qt::Key_Return);
        keys.type(QStringLiteral("3"));
        keys.press(Qt::Key_Return);
        keys.type(QStringLiteral("2017"));
        keys.press(Qt::Key_Return);
        ASSERT_TRUE(w->Panel3->isVisible());
        w->B2->setFocus();
        keys.press(Qt::Key_Return);
        ASSERT_TRUE(w->Panel2->isVisible());
        EXPECT_EQ(focused(), w->E_CuitReten);
    }

    QTemporaryDir folder_;
    QString previous_;
};
} // namespace

// Leaving the CUIT brings the registered name into an empty name box, and never replaces one
// the clerk typed; an unknown CUIT brings nothing.
TEST_F(SupplierEntry, KnownCuitBringsItsName)
{
    w->suppliers().learn(NanduCuit, Nandu);
    const struct {
        const char *name;
        const char *cuit;
        const char *typedName;
        QString expected;
    } cases[] = {
        {"known CUIT", "20123456786", "", Nandu},
        {"known CUIT, name typed first", "20123456786", "MI NOMBRE", QStringLiteral("MI NOMBRE")},
        {"unknown CUIT", "20999999995", "", QString()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Keyboard keys;
        startManual(keys);
        if (*c.typedName) {
            w->empresa->setFocus();
            keys.type(QString::fromUtf8(c.typedName));
            w->E_CuitReten->setFocus();
        }
        keys.type(QString::fromLatin1(c.cuit));
        keys.press(Qt::Key_Return);
        EXPECT_EQ(focused(), w->empresa);
        EXPECT_EQ(w->empresa->text(), c.expected);
        w->Limpia();
        w->Panel2->hide();
        w->Panel3->hide();
    }
}

// Typing a name offers the registered ones that start with or contain it; Down and Enter choose
// one, which fills the name and, when it is empty, the CUIT.
TEST_F(SupplierEntry, TypingANameOffersTheRegisteredOnes)
{
    w->suppliers().learn(NanduCuit, Nandu);
    w->suppliers().learn(QStringLiteral("30-11111111-1"), QStringLiteral("LA FERRETERA"));
    w->suppliers().learn(QStringLiteral("30-22222222-2"), QStringLiteral("PANADERÍA"));
    const struct {
        const char *name;
        const char *cuitFirst;
        int downs;
        QString name_;
        QString cuit;
    } cases[] = {
        {"first offer, CUIT empty", "", 1, Nandu, NanduCuit},
        {"second offer", "", 2, QStringLiteral("LA FERRETERA"), QStringLiteral("30-11111111-1")},
        {"a CUIT already typed stays", "20999999995", 1, Nandu, QStringLiteral("20-99999999-5")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Keyboard keys;
        startManual(keys);
        keys.type(QString::fromLatin1(c.cuitFirst));
        if (!*c.cuitFirst)
            w->empresa->setFocus();
        else
            keys.press(Qt::Key_Return);
        keys.type(QStringLiteral("ferr"));
        QAbstractItemView *offers = w->empresaCompleter->popup();
        ASSERT_TRUE(offers->isVisible());
        EXPECT_EQ(offers->model()->rowCount(), 2);
        for (int i = 0; i < c.downs; ++i)
            QTest::keyClick(offers, Qt::Key_Down);
        QTest::keyClick(offers, Qt::Key_Return);
        EXPECT_FALSE(offers->isVisible());
        EXPECT_EQ(w->empresa->text(), c.name_);
        EXPECT_EQ(w->E_CuitReten->text(), c.cuit);
        w->Limpia();
        w->Panel2->hide();
        w->Panel3->hide();
    }
    // The beginning of a name among several registered ones.
    w->suppliers().learn(QStringLiteral("27-33333333-3"), QStringLiteral("MARIA GOMEZ"));
    Keyboard keys;
    startManual(keys);
    w->empresa->setFocus();
    keys.type(QStringLiteral("MA"));
    QAbstractItemView *offers = w->empresaCompleter->popup();
    ASSERT_TRUE(offers->isVisible());
    ASSERT_EQ(offers->model()->rowCount(), 1);
    EXPECT_EQ(offers->model()->index(0, 0).data(Qt::UserRole).toString(), QStringLiteral("MARIA GOMEZ"));
}

// The keys a clerk presses for one withholding of a supplier declared before, against the same
// withholding typed with nothing registered: the name (23 characters here; the names clerks type
// run from 20 to 60) is no longer typed.
TEST_F(SupplierEntry, AKnownSupplierTakesAThirdFewerKeys)
{
    auto oneWithholding = [this](Keyboard &keys, bool typeName) {
        keys.type(QStringLiteral("20123456786"));
        keys.press(Qt::Key_Return);
        if (typeName)
            keys.type(Nandu);
        keys.press(Qt::Key_Return);
        keys.type(QStringLiteral("05032017"));
        keys.press(Qt::Key_Return);
        keys.type(QStringLiteral("1234"));
        keys.press(Qt::Key_Return);
        keys.type(QStringLiteral("12400"));
        keys.press(Qt::Key_Return);
        EXPECT_EQ(focused(), w->B_adiciona);
        keys.press(Qt::Key_Return);
    };
    Keyboard header;
    startManual(header);
    Keyboard before;
    oneWithholding(before, true);
    const Withholding typed = w->gridModel->withholding(1);
    EXPECT_EQ(typed.companyName, Nandu);

    w->suppliers().learn(typed.supplierCuit, typed.companyName);
    w->Limpia();
    w->Panel2->hide();
    w->Panel3->hide();
    startManual(header);
    Keyboard after;
    oneWithholding(after, false);
    const Withholding known = w->gridModel->withholding(1);
    EXPECT_EQ(known.companyName, typed.companyName);
    EXPECT_EQ(known.supplierCuit, typed.supplierCuit);
    EXPECT_EQ(known.withheldAmount, typed.withheldAmount);
    std::cout << "keys for one withholding: " << before.count << " typing the name, " << after.count
              << " with the supplier registered" << std::endl;
    EXPECT_LE(after.count * 3, before.count * 2);
}

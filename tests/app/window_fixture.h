#pragma once

#include "app/masked_edit.h"
#include "app/tf_retenciones.h"
#include "declaration/reten_store.h"
#include "tests/app/app_test_support.h"
#include "tests/support/scripted_dialogs.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// The shown, active main window with scripted boxes and a store whose database does not
// exist, for every test of the window that needs no declaration written.
class WindowTest : public ::testing::Test {
public:
    // How the clerk leaves a box.
    enum class Move { Tab, Enter, Mouse, Program };

protected:
    static void SetUpTestSuite() { ensureQtApplication(); }

    void SetUp() override
    {
        w = std::make_unique<TF_Retenciones>(dialogs, store, QStringLiteral("/tmp/"));
        w->beep = [this] { ++beeps; };
        ASSERT_TRUE(showActive(*w));
    }

    // Leaves `from` for `to`; Tab and Enter assume `to` is the next tab stop.
    static void move(Move how, QWidget *from, QWidget *to)
    {
        switch (how) {
        case Move::Tab:
            QTest::keyClick(from, Qt::Key_Tab);
            break;
        case Move::Enter:
            QTest::keyClick(from, Qt::Key_Return);
            break;
        case Move::Mouse:
            QTest::mouseClick(to, Qt::LeftButton);
            break;
        case Move::Program:
            to->setFocus(Qt::OtherFocusReason);
            break;
        }
    }

    // Types into a box that has the focus, from its start.
    static void type(QLineEdit *box, const QString &text)
    {
        box->setCursorPosition(0);
        QTest::keyClicks(box, text);
    }

    static QWidget *focused() { return QApplication::focusWidget(); }

    template <typename T = QWidget> T *child(const char *name) const
    {
        return w->findChild<T *>(QString::fromLatin1(name));
    }

    RetenStore store{QStringLiteral("/nonexistent/RETENCIONES.FDB")};
    ScriptedDialogs dialogs;
    std::unique_ptr<TF_Retenciones> w;
    int beeps = 0;
};

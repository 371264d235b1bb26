#pragma once

#include "app/masked_edit.h"
#include "app/tf_retenciones.h"
#include "tests/app/app_test_support.h"
#include "tests/support/scripted_dialogs.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// The shown main window with scripted boxes, for the tests that type into it.
class EntryWindowTest : public ::testing::Test {
public:
    // How the clerk leaves a box.
    enum class Move { Tab, Enter, Mouse, Program };

protected:
    static void SetUpTestSuite() { ensureQtApplication(); }

    void SetUp() override
    {
        w = std::make_unique<TF_Retenciones>(dialogs, QStringLiteral("/nonexistent/RETENCIONES.FDB"),
                                             QStringLiteral("/tmp/"));
        w->beep = [] {};
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

    ScriptedDialogs dialogs;
    std::unique_ptr<TF_Retenciones> w;
};

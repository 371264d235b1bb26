#pragma once

#include "tests/app/app_test_support.h"
#include "tests/declaration/generation_fixture.h"

#include "app/masked_edit.h"
#include "app/tf_retenciones.h"
#include "declaration/reten_store.h"
#include "tests/support/scripted_dialogs.h"

#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

// The real main window with scripted boxes on a real database (generation_fixture.h: the current
// folder and the program folder are temporary folders of the test's own).
class WindowOnDatabase : public GenerationTest {
public:
    void SetUp() override
    {
        ensureQtApplication();
        GenerationTest::SetUp();
    }
    void TearDown() override
    {
        window.reset();
        windowStore.reset();
        GenerationTest::TearDown();
    }

    // Opens the window on the database, shown and active, as the program starts it.
    void open(const QString &databasePath)
    {
        windowStore = std::make_unique<RetenStore>(databasePath);
        windowStore->connect();
        window = std::make_unique<TF_Retenciones>(dialogs, *windowStore, programFolder());
        window->beep = [] {};
        ASSERT_TRUE(showActive(*window));
    }

    // The header of legajo 140, March 2017, written straight into the boxes, locked, with the
    // manual entry shown and CONFIRMA armed: where the rows come next.
    void enterHeaderDirectly()
    {
        window->e_legaJo->setText(QStringLiteral("140"));
        window->e_Mes->setText(QStringLiteral("3"));
        window->E_ano->setText(QStringLiteral("2017"));
        window->e_Cuit->setText(QStringLiteral("20-29985385-4"));
        window->e_Razon->setText(QStringLiteral("ORTIZ OMAR FLORENCIO"));
        window->Panel1->setEnabled(false);
        window->Panel2->show();
        window->B_Confirma->setEnabled(true);
    }

    ScriptedDialogs dialogs;
    std::unique_ptr<RetenStore> windowStore;
    std::unique_ptr<TF_Retenciones> window;
};

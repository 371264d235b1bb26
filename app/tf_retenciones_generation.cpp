// CONFIRMA: the declaration file, table RETEN and the PDF listing.
#include "app/tf_retenciones.h"

#include "app/masked_edit.h"
#include "app/progress_window.h"
#include "declaration/declaration_generation.h"
#include "declaration/listing_folder.h"
#include "declaration/report_layout.h"
#include "declaration/reten_store.h"
#include "declaration/supplier_sync.h"
#include "withholdings/grid_model.h"

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

#include <memory>
#include <optional>

ReportDefinition &TF_Retenciones::Reporte()
{
    // The listing's left logo is the picture at the window's top right, its right logo the one
    // at the top left.
    if (!report_)
        report_ = std::make_unique<ReportDefinition>(ListingReport(
            QImage(QStringLiteral(":/images/titulo.jpg")), QImage(QStringLiteral(":/images/escudo.jpg"))));
    return *report_;
}

void TF_Retenciones::B_ConfirmaClick()
{
    const DeclarationHeader header{e_legaJo->text(), e_Mes->text(), E_ano->text(), e_Cuit->value(),
                                   e_Razon->text()};
    ProgressWindow progress(this);
    DeclarationGeneration generation(store_, Reporte(), F, dialogs_);
    // The generation teaches the register the grid's suppliers itself, on the same connection.
    supplierSync_->pauseForGeneration();
    const auto resume = qScopeGuard([this] { supplierSync_->resume(); });
    const std::optional<GenerationResult> result =
        generation.run(header, *gridModel, listingFolder(programFolder_), &progress);
    if (!result)
        return;
    for (const SupplierCount &c : supplierCounts(gridModel->withholdings()))
        suppliers_->learn(c.cuit, c.name);

    salida->setVisible(true);
    salida->setText(result->statusText);
    Limpia();
    Panel3->hide();
    Panel2->hide();
    // As after a confirmed reset: the next declaration arms it by choosing its load method.
    B_Confirma->setEnabled(false);
}

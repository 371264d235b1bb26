// CONFIRMA: the declaration file, table RETEN and the PDF listing.
#include "app/tf_retenciones.h"

#include "app/masked_edit.h"
#include "app/progress_window.h"
#include "declaration/declaration_generation.h"
#include "declaration/report_layout.h"
#include "declaration/reten_store.h"
#include "withholdings/grid_model.h"

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>

#include <optional>

struct TF_Retenciones::GenerationParts {
    explicit GenerationParts(const DatabaseSettings &database)
        : store(database.path, database.userName, database.password)
    {
    }
    RetenStore store;
    // Made at its first use, once the window has registered its pictures.
    std::optional<ReportDefinition> report;
};

void TF_Retenciones::GenerationPartsDeleter::operator()(GenerationParts *parts) const noexcept
{
    delete parts;
}

std::unique_ptr<TF_Retenciones::GenerationParts, TF_Retenciones::GenerationPartsDeleter>
TF_Retenciones::makeGenerationParts(const DatabaseSettings &database)
{
    std::unique_ptr<GenerationParts, GenerationPartsDeleter> parts(new GenerationParts(database));
    // A database that cannot be opened now is not the clerk's concern until the first generation.
    parts->store.connect();
    return parts;
}

RetenStore &TF_Retenciones::retenStore() const
{
    return generation_->store;
}

ReportDefinition &TF_Retenciones::Reporte() const
{
    // The listing's left logo is the picture at the window's top right, its right logo the one
    // at the top left.
    if (!generation_->report)
        generation_->report = ListingReport(QImage(QStringLiteral(":/images/titulo.jpg")),
                                            QImage(QStringLiteral(":/images/escudo.jpg")));
    return *generation_->report;
}

void TF_Retenciones::B_ConfirmaClick()
{
    const DeclarationHeader header{e_legaJo->text(), e_Mes->text(), E_ano->text(), e_Cuit->value(),
                                   e_Razon->text()};
    ProgressWindow progress(this);
    DeclarationGeneration generation(retenStore(), Reporte(), F, dialogs_);
    const std::optional<GenerationResult> result =
        generation.run(header, *gridModel, programFolder_, &progress);
    if (!result)
        return;

    salida->setVisible(true);
    salida->setText(result->statusText);
    Limpia();
    Panel3->hide();
    Panel2->hide();
}

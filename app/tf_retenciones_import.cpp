// "Importación de Archivo": a declaration-format file chosen by the clerk becomes grid rows.
#include "app/tf_retenciones.h"

#include "app/masked_edit.h"
#include "common/dialogs.h"
#include "declaration/declaration_file.h"
#include "declaration/supplier_sync.h"
#include "withholdings/declaration_import.h"
#include "withholdings/grid_model.h"
#include "withholdings/import_review.h"

#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

namespace {
QString mismatchMessage()
{
    return QString::fromUtf8("Atención, No coincide importe de retención, verifique!!!");
}

QString noRoomMessage(qsizetype rows, int freeRows)
{
    return QString::fromUtf8("Atención, El archivo tiene %1 comprobantes y la grilla sólo admite %2 más !!!")
        .arg(rows)
        .arg(freeRows);
}
} // namespace

void TF_Retenciones::B1Click()
{
    Panel2->hide();
    const std::optional<QString> chosen = dialogs_.ChooseFileToOpen();
    if (!chosen) {
        B_Confirma->setEnabled(true);
        return;
    }

    // The file is opened where the clerk chose it; the working folder, where the declaration
    // is written and reloaded, stays as it is. Every line is converted before the first row
    // is appended, so a line that does not convert leaves the grid as it was.
    const ImportedFile imported = importDeclarationFile(FF, *chosen);
    if (!gridModel->hasRoomFor(imported.rows.size())) {
        dialogs_.ShowInformation(noRoomMessage(imported.rows.size(), gridModel->freeRows()));
        return;
    }
    gridModel->appendAll(imported.rows);
    // An imported file is a declaration made elsewhere: its suppliers are worth knowing even
    // when its amounts do not agree.
    supplierSync().teach(imported.rows, E_ano->text(), e_Mes->text());

    if (imported.amountsDisagree()) {
        dialogs_.ShowInformationWithDetails(mismatchMessage(), mismatchDetails(imported.mismatches));
        Limpia();
        return;
    }
    // The rows stay and CONFIRMA is enabled all the same: the clerk decides.
    const QStringList review =
        linesToReview(imported.sources, {e_Cuit->value(), E_ano->text(), e_Mes->text()});
    if (!review.isEmpty())
        dialogs_.ShowInformationWithDetails(reviewMessage(review.size()), review.join(QLatin1Char('\n')));
    B_Confirma->setEnabled(true);
}

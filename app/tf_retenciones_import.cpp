// "Importación de Archivo": a declaration-format file chosen by the clerk becomes grid rows.
#include "app/tf_retenciones.h"

#include "app/masked_edit.h"
#include "app/sheet_columns_window.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/text_file.h"
#include "declaration/declaration_file.h"
#include "declaration/supplier_sync.h"
#include "withholdings/declaration_import.h"
#include "withholdings/grid_model.h"
#include "withholdings/import_review.h"
#include "withholdings/sheet_import.h"

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
    const QByteArray bytes = loadImportedFile(FF, *chosen);
    ImportedFile imported;
    // A sheet's lines to look at are known once it is read; a declaration's, once its amounts agree.
    std::optional<QStringList> sheetReview;
    if (looksLikeSheet(bytes)) {
        const SheetContext context{
            {e_Cuit->value(), E_ano->text(), e_Mes->text()},
            [this](const QString &receipt) { return gridModel->receiptCount(receipt) > 0; }};
        std::optional<SheetImport> sheet = importSheetAsked(this, bytes, context);
        if (!sheet)
            return;
        imported.rows = std::move(sheet->rows);
        imported.mismatches = std::move(sheet->mismatches);
        sheetReview = std::move(sheet->review);
    } else {
        OpenTextOverBytes(FF, bytes);
        CheckIo();
        // Its lines are reviewed as they are read, so that none of them is kept.
        const LineReview review({e_Cuit->value(), E_ano->text(), e_Mes->text()});
        imported = importDeclarationText(FF, &review);
    }
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
    const QStringList review = sheetReview ? *sheetReview : imported.toReview;
    if (!review.isEmpty())
        dialogs_.ShowInformationWithDetails(reviewMessage(review.size()), review.join(QLatin1Char('\n')));
    B_Confirma->setEnabled(true);
}

// The supplier register in the manual entry: a known CUIT brings its name, and typing a name
// offers the registered ones.
#include "app/tf_retenciones.h"

#include "app/masked_edit.h"
#include "declaration/supplier_sync.h"
#include "withholdings/manual_entry.h"
#include "withholdings/supplier_register.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QScrollBar>
#include <QStandardItemModel>

#include <algorithm>

namespace {
constexpr int CuitRole = Qt::UserRole + 1;
// Rows of the list: enough to choose from without scrolling.
constexpr int Offered = 12;
} // namespace

void TF_Retenciones::createSupplierCompletion()
{
    supplierChoices_ = new QStandardItemModel(this);
    empresaCompleter = new QCompleter(supplierChoices_, this);
    empresaCompleter->setObjectName(QStringLiteral("empresaCompleter"));
    // The register itself chooses what fits; the list shows it as it comes.
    empresaCompleter->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    empresaCompleter->setMaxVisibleItems(Offered);
    empresaCompleter->setWidget(empresa);
    connect(empresa, &QLineEdit::textEdited, this, [this](const QString &typed) { offerSuppliers(typed); });
    connect(empresaCompleter, qOverload<const QModelIndex &>(&QCompleter::activated), this,
            [this](const QModelIndex &index) {
                runHandler([&] {
                    chooseSupplier(index.data(CuitRole).toString(), index.data(Qt::UserRole).toString());
                });
            });
}

void TF_Retenciones::offerSuppliers(const QString &typed)
{
    supplierChoices_->clear();
    for (const Supplier &s : suppliers_->complete(typed, Offered)) {
        auto *item = new QStandardItem(s.name + QStringLiteral("   ") + s.cuit);
        item->setData(s.name, Qt::UserRole);
        item->setData(s.cuit, CuitRole);
        supplierChoices_->appendRow(item);
    }
    if (supplierChoices_->rowCount() == 0) {
        empresaCompleter->popup()->hide();
        return;
    }
    // As wide as the longest offer, so that each one shows its CUIT whole.
    QAbstractItemView *offers = empresaCompleter->popup();
    QRect under = empresa->rect();
    under.setWidth(std::max(under.width(), offers->sizeHintForColumn(0) +
                                               offers->verticalScrollBar()->sizeHint().width() +
                                               2 * offers->frameWidth()));
    empresaCompleter->complete(under);
}

void TF_Retenciones::chooseSupplier(const QString &cuit, const QString &name)
{
    empresa->setText(name);
    if (E_CuitReten->value().trimmed().isEmpty())
        E_CuitReten->setText(cuit);
}

void TF_Retenciones::E_CuitRetenExit()
{
    // A name the clerk typed is never replaced.
    if (!empresa->text().trimmed().isEmpty() || !E_CuitReten->isComplete())
        return;
    const QString name = suppliers_->nameOf(manualRow(manualEntry()).supplierCuit);
    if (!name.isEmpty())
        empresa->setText(name);
}

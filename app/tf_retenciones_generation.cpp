// CONFIRMA: the declaration file, table RETEN and the PDF listing.
#include "app/tf_retenciones.h"

#include "app/masked_edit.h"
#include "app/progress_window.h"
#include "app/tf_anteriores.h"
#include "app/tf_datos_agente.h"
#include "certificates/certificates.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/text_helpers.h"
#include "declaration/declaration_generation.h"
#include "declaration/filed_declaration.h"
#include "declaration/listing_folder.h"
#include "declaration/report_layout.h"
#include "declaration/reten_store.h"
#include "declaration/supplier_sync.h"
#include "withholdings/grid_model.h"

#include <QDir>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
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
    // The certificates are made only from bytes with the fingerprint of what this CONFIRMA wrote,
    // never from whatever is under the name later; a listing that fails does not undo the
    // declaration, which keeps its certificates.
    const auto rememberDeclaration = [&] {
        const FiledDeclaration &filed = generation.confirmed();
        if (!filed.sha256.isEmpty())
            lastDeclaration_ = ConfirmedDeclaration{filed.file, QString::fromLatin1(filed.sha256),
                                                    TrimBlanks(header.legajo)};
        else
            lastDeclaration_.reset();
    };
    std::optional<GenerationResult> result;
    try {
        result = generation.run(header, *gridModel, listingFolder(programFolder_), &progress);
    } catch (const ReportError &) {
        rememberDeclaration();
        throw;
    }
    if (!result)
        return;
    rememberDeclaration();
    for (const SupplierCount &c : supplierCounts(gridModel->withholdings()))
        suppliers_->learn(c.cuit, c.name);

    salida->setVisible(true);
    salida->setText(result->statusText);
    lastListing_ = result->listingPath;
    salida->setCursor(Qt::PointingHandCursor);
    salida->setToolTip(QStringLiteral("Haga click aquí para abrir el listado PDF"));
    Limpia();
    Panel3->hide();
    Panel2->hide();
    // As after a confirmed reset: the next declaration arms it by choosing its load method.
    B_Confirma->setEnabled(false);
}

void TF_Retenciones::B_ConstanciasClick()
{
    if (!lastDeclaration_) {
        dialogs_.ShowInformation(
            QStringLiteral("Todavía no se confirmó ninguna declaración en esta sesión. Las constancias de "
                           "retención se emiten para la declaración recién generada con CONFIRMA."));
        return;
    }
    const QString legajo = lastDeclaration_->legajo;
    AgentDetails agent;
    // A database that cannot give the agent's details leaves their lines blank for a pen.
    try {
        if (hasAgentTable(store_.Conector)) {
            std::optional<AgentDetails> details = readAgentDetails(store_.Conector, legajo);
            if (!details && !agentDetailsAsked_.contains(legajo)) {
                agentDetailsAsked_ << legajo;
                if (editAgentDetails(legajo, {}))
                    details = readAgentDetails(store_.Conector, legajo);
            }
            agent = details.value_or(AgentDetails{});
        }
    } catch (const DatabaseError &) {
    }
    CertificatesWritten written;
    try {
        written = writeCertificates(lastDeclaration_->file, lastDeclaration_->sha256,
                                    CertificateIssue{legajo, {}, {}, agent, {}});
    } catch (const CertificateError &e) {
        dialogs_.ShowInformation(e.message());
        return;
    }
    salida->setVisible(true);
    salida->setText(
        QStringLiteral("CONSTANCIAS DE RETENCIÓN (%1) GENERADAS EN  %2")
            .arg(written.certificates)
            .arg(QDir::toNativeSeparators(written.pdfPath)) +
        (written.keptEarlier.isEmpty() ? QString() : QStringLiteral("  (las anteriores, en anteriores)")));
    dialogs_.OpenFile(written.pdfPath);
}

bool TF_Retenciones::editAgentDetails(const QString &legajo, const QString &agentName)
{
    TF_DatosAgente window(dialogs_, store_.Conector, legajo, agentName, this);
    if (!window.load())
        return false;
    return window.exec() == QDialog::Accepted;
}

void TF_Retenciones::B_AgenteClick()
{
    QString legajo = TrimBlanks(e_legaJo->text());
    QString name = TrimBlanks(e_Razon->text());
    if (legajo.isEmpty() && lastDeclaration_) {
        legajo = lastDeclaration_->legajo;
        name.clear();
    }
    if (!agentKey(legajo)) {
        dialogs_.ShowInformation(QStringLiteral("Escriba primero el legajo del agente: los datos del agente "
                                                "(domicilio, firmante y cargo) son de cada legajo."));
        return;
    }
    editAgentDetails(legajo, name);
}

void TF_Retenciones::salidaClick()
{
    if (lastListing_.isEmpty())
        return;
    // Only the listing of the declaration just made: another window may have written one of
    // the same name since.
    if (lastDeclaration_ && !listingBelongsTo(lastListing_, lastDeclaration_->sha256.toLatin1())) {
        dialogs_.ShowInformation(
            QStringLiteral(
                "%1 ya no es el listado de la declaración recién generada. Ábralo desde Anteriores "
                "(F7), que lo hace de nuevo a partir del archivo.")
                .arg(QDir::toNativeSeparators(lastListing_)));
        return;
    }
    if (!dialogs_.OpenWithDesktop(lastListing_))
        dialogs_.ShowInformation(
            QStringLiteral("El escritorio no pudo abrir %1. Ábralo desde el administrador de archivos.")
                .arg(QDir::toNativeSeparators(lastListing_)));
}

bool TF_Retenciones::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == salida && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        runHandler([this] { salidaClick(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TF_Retenciones::B_AnterioresClick()
{
    TF_Anteriores window(
        dialogs_, store_, [this]() -> ReportDefinition & { return Reporte(); },
        [this](const std::function<void()> &action) { return runHandler(action); }, this);
    window.setProgramFolder(programFolder_);
    window.setSupplierRegister(suppliers_.get());
    window.load();
    window.exec();
}

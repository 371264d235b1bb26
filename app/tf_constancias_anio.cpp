#include "app/tf_constancias_anio.h"

#include "app/screen_fonts.h"
#include "certificates/certificates.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "withholdings/supplier_register.h"

#include <QCompleter>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>

namespace {
// An offer reads "NAME - CUIT"; the CUIT is what follows the last " - ".
const QString Separator = QStringLiteral(" - ");
} // namespace

TF_ConstanciasAnio::TF_ConstanciasAnio(Dialogs &dialogs, Connection &connection,
                                       const SupplierRegister *suppliers, const QString &legajo, int year,
                                       QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      dialogs_(dialogs), connection_(connection), suppliers_(suppliers), legajo_(legajo)
{
    setObjectName(QStringLiteral("F_ConstanciasAnio"));
    setWindowTitle(QStringLiteral("Constancias de un proveedor por año"));
    setFont(TahomaFont(8));

    e_Proveedor = new QLineEdit(this);
    e_Proveedor->setObjectName(QStringLiteral("e_Proveedor"));
    e_Proveedor->setMinimumWidth(380);
    e_Proveedor->setAccessibleDescription(QStringLiteral("CUIT o razón social del proveedor"));
    offers_ = new QStringListModel(this);
    completer = new QCompleter(offers_, this);
    completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    e_Proveedor->setCompleter(completer);
    connect(e_Proveedor, &QLineEdit::textEdited, this, &TF_ConstanciasAnio::offer);

    e_Anio = new QLineEdit(year > 0 ? QString::number(year) : QString(), this);
    e_Anio->setObjectName(QStringLiteral("e_Anio"));
    e_Anio->setValidator(new QIntValidator(1990, 2999, e_Anio));
    e_Anio->setMaximumWidth(60);
    e_Anio->setAccessibleDescription(QStringLiteral("AAAA"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Proveedor (CUIT o razón social):"), e_Proveedor);
    form->addRow(QStringLiteral("&Año:"), e_Anio);

    B_Generar = new QPushButton(QStringLiteral("&Generar"), this);
    B_Generar->setObjectName(QStringLiteral("B_Generar"));
    B_Generar->setDefault(true);
    B_Cancelar = new QPushButton(QStringLiteral("Cancelar"), this);
    B_Cancelar->setObjectName(QStringLiteral("B_Cancelar"));
    B_Cancelar->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(B_Generar);
    buttons->addWidget(B_Cancelar);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(
        new QLabel(QStringLiteral("Un PDF con las constancias del proveedor de la última versión de "
                                  "cada período del año, en la carpeta constancias."),
                   this));
    layout->addLayout(buttons);
    connect(B_Generar, &QPushButton::clicked, this, &TF_ConstanciasAnio::B_GenerarClick);
    connect(B_Cancelar, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(e_Proveedor, e_Anio);
    setTabOrder(e_Anio, B_Generar);
    setTabOrder(B_Generar, B_Cancelar);
    e_Proveedor->setFocus(Qt::OtherFocusReason);
}

void TF_ConstanciasAnio::offer(const QString &typed)
{
    QStringList offers;
    if (suppliers_)
        for (const Supplier &s : suppliers_->complete(typed))
            offers << s.name + Separator + s.cuit;
    offers_->setStringList(offers);
}

QString TF_ConstanciasAnio::chosenCuit() const
{
    const QString typed = e_Proveedor->text().trimmed();
    const qsizetype separator = typed.lastIndexOf(Separator);
    const QString last = separator >= 0 ? typed.mid(separator + Separator.size()) : typed;
    if (digitsOf(last).size() == 11 && !last.contains(QRegularExpression(QStringLiteral("[^0-9 -]"))))
        return last;
    if (suppliers_)
        for (const Supplier &s : suppliers_->complete(typed, 50))
            if (searchKey(s.name) == searchKey(typed))
                return s.cuit;
    return {};
}

void TF_ConstanciasAnio::B_GenerarClick()
{
    const QString cuit = chosenCuit();
    if (cuit.isEmpty()) {
        dialogs_.ShowInformation(
            QStringLiteral("Elija el proveedor de la lista o escriba su CUIT (11 dígitos)."));
        e_Proveedor->setFocus(Qt::OtherFocusReason);
        return;
    }
    const int year = e_Anio->text().toInt();
    if (year < 1990) {
        dialogs_.ShowInformation(QStringLiteral("Escriba el año con cuatro cifras."));
        e_Anio->setFocus(Qt::OtherFocusReason);
        return;
    }
    CertificatesWritten written;
    try {
        written = writeYearCertificates(connection_, YearRequest{cuit, year, legajo_, {}});
    } catch (const CertificateError &e) {
        dialogs_.ShowInformation(e.message());
        return;
    } catch (const DatabaseError &e) {
        dialogs_.ShowInformation(QStringLiteral("No se pudo leer la base de datos: ") + e.message());
        return;
    }
    if (!written.periodsLeftOut.isEmpty())
        dialogs_.ShowInformation(
            QStringLiteral(
                "Las constancias de %1 quedaron en %2, sin estos períodos, cuyos archivos no se pudieron "
                "usar: %3.")
                .arg(cuit, QDir::toNativeSeparators(written.pdfPath),
                     written.periodsLeftOut.join(QStringLiteral("; "))));
    dialogs_.OpenFile(written.pdfPath);
    accept();
}

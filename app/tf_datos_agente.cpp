#include "app/tf_datos_agente.h"

#include "app/screen_fonts.h"
#include "common/dialogs.h"
#include "common/errors.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QString agentTableMissingText()
{
    return QStringLiteral(
        "Esta base de datos no guarda los datos del agente (le falta la tabla AGENTE): las "
        "constancias dejan en blanco el domicilio, el firmante y su cargo, para completarlos a "
        "mano. El README dice cómo agregar la tabla.");
}

TF_DatosAgente::TF_DatosAgente(Dialogs &dialogs, Connection &connection, const QString &legajo,
                               const QString &agentName, QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      dialogs_(dialogs), connection_(connection), legajo_(legajo)
{
    setObjectName(QStringLiteral("F_DatosAgente"));
    setWindowTitle(QStringLiteral("Datos del agente"));
    setFont(TahomaFont(8));

    agente = new QLabel(QStringLiteral("Legajo %1  %2").arg(legajo.trimmed(), agentName.trimmed()), this);
    agente->setObjectName(QStringLiteral("agente"));
    const auto box = [this](const char *name, int length, const char *description) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMaxLength(length);
        edit->setMinimumWidth(420);
        edit->setAccessibleDescription(QString::fromUtf8(description));
        return edit;
    };
    e_Domicilio = box("e_Domicilio", DomicileLength, "Domicilio del agente, hasta 100 caracteres");
    e_Firmante = box("e_Firmante", SignerLength, "Nombre de quien firma las constancias");
    e_Cargo = box("e_Cargo", PositionLength, "Cargo de quien firma las constancias");
    auto *form = new QFormLayout;
    form->addRow(agente);
    form->addRow(QStringLiteral("&Domicilio:"), e_Domicilio);
    form->addRow(QStringLiteral("&Firmante:"), e_Firmante);
    form->addRow(QStringLiteral("&Cargo:"), e_Cargo);

    B_Guardar = new QPushButton(QStringLiteral("&Guardar"), this);
    B_Guardar->setObjectName(QStringLiteral("B_Guardar"));
    B_Guardar->setDefault(true);
    B_Cancelar = new QPushButton(QStringLiteral("Cancelar"), this);
    B_Cancelar->setObjectName(QStringLiteral("B_Cancelar"));
    B_Cancelar->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(B_Guardar);
    buttons->addWidget(B_Cancelar);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(new QLabel(QStringLiteral("Se imprimen en las constancias de retención de este legajo, "
                                                "para todos los usuarios de la base."),
                                 this));
    layout->addLayout(buttons);

    connect(B_Guardar, &QPushButton::clicked, this, &TF_DatosAgente::B_GuardarClick);
    connect(B_Cancelar, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(e_Domicilio, e_Firmante);
    setTabOrder(e_Firmante, e_Cargo);
    setTabOrder(e_Cargo, B_Guardar);
    setTabOrder(B_Guardar, B_Cancelar);
    e_Domicilio->setFocus(Qt::OtherFocusReason);
}

bool TF_DatosAgente::load()
{
    try {
        if (!hasAgentTable(connection_)) {
            dialogs_.ShowInformation(agentTableMissingText());
            return false;
        }
        if (const std::optional<AgentDetails> details = readAgentDetails(connection_, legajo_)) {
            e_Domicilio->setText(details->domicile);
            e_Firmante->setText(details->signer);
            e_Cargo->setText(details->position);
        }
    } catch (const DatabaseError &e) {
        dialogs_.ShowInformation(QStringLiteral("No se pueden leer los datos del agente: ") + e.message());
        return false;
    }
    return true;
}

void TF_DatosAgente::B_GuardarClick()
{
    try {
        saveAgentDetails(connection_, legajo_,
                         AgentDetails{e_Domicilio->text(), e_Firmante->text(), e_Cargo->text()});
    } catch (const DatabaseError &e) {
        dialogs_.ShowInformation(
            QStringLiteral(
                "No se pudieron guardar los datos del agente; lo escrito sigue en la ventana. "
                "Pida al administrador: grant select, insert, update on AGENTE to user RETENCIONES; "
                "commit;\n") +
            e.message());
        return;
    }
    accept();
}

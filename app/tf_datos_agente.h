#pragma once

#include "certificates/agent_details.h"

#include <QDialog>

class Connection;
class Dialogs;
class QLabel;
class QLineEdit;
class QPushButton;

// "Datos del agente": the agent's domicile and who signs its certificates, kept in table AGENTE
// for every clerk on the database. Tab moves between the boxes, Enter saves, Esc closes without
// saving.
class TF_DatosAgente : public QDialog {
    Q_OBJECT

public:
    TF_DatosAgente(Dialogs &dialogs, Connection &connection, const QString &legajo, const QString &agentName,
                   QWidget *parent = nullptr);

    // Fills the boxes from the table; false (with a word to the clerk) when the database has no
    // table AGENTE or cannot be read.
    bool load();
    // Saves and closes; a refusal of the database is shown and the window stays with what was typed.
    void B_GuardarClick();

    QLabel *agente;
    QLineEdit *e_Domicilio;
    QLineEdit *e_Firmante;
    QLineEdit *e_Cargo;
    QPushButton *B_Guardar;
    QPushButton *B_Cancelar;

private:
    Dialogs &dialogs_;
    Connection &connection_;
    QString legajo_;
};

// What the clerk reads when the database has no table AGENTE.
QString agentTableMissingText();

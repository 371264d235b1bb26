#pragma once

#include <QDialog>

class Connection;
class Dialogs;
class QCompleter;
class QLineEdit;
class QPushButton;
class QStringListModel;
class SupplierRegister;

// A supplier's certificates for a year, asked from the window of past declarations: the supplier
// by CUIT or by name (completed from the register), and the year. "Generar" (Enter) writes the PDF
// and opens it; the periods that could not be used are named.
class TF_ConstanciasAnio : public QDialog {
    Q_OBJECT

public:
    TF_ConstanciasAnio(Dialogs &dialogs, Connection &connection, const SupplierRegister *suppliers,
                       const QString &legajo, int year, QWidget *parent = nullptr);

    // The CUIT the supplier box names: its eleven digits as typed, or the registered CUIT of a name
    // chosen or typed whole; empty when it names none.
    QString chosenCuit() const;
    void B_GenerarClick();

    QLineEdit *e_Proveedor;
    QLineEdit *e_Anio;
    QPushButton *B_Generar;
    QPushButton *B_Cancelar;
    QCompleter *completer;

private:
    void offer(const QString &typed);

    Dialogs &dialogs_;
    Connection &connection_;
    const SupplierRegister *suppliers_;
    QString legajo_;
    QStringListModel *offers_;
};

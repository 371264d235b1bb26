#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

class Dialogs;
class FiledDeclarationReader;
class PastDeclarationsModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class RetenStore;
class SupplierRegister;
struct ReportDefinition;

// The declarations recorded in the database, newest first, filtered by legajo and period, with
// whether each file is still the one handed in. From a row the clerk opens its listing (made
// again from the file when the PDF is gone) or its folder, through the desktop.
class TF_Anteriores : public QDialog {
    Q_OBJECT

public:
    // `run` runs an action as the main window runs its handlers (errors in the default box);
    // `report` gives the listing's layout when one has to be made again.
    TF_Anteriores(Dialogs &dialogs, RetenStore &store, std::function<ReportDefinition &()> report,
                  std::function<bool(const std::function<void()> &)> run, QWidget *parent = nullptr);
    ~TF_Anteriores() override;

    // Reads the records again, as the filters say; a database that cannot be read is reported
    // and lists nothing.
    void load();

    // The program's folder, where listings are written unless beside their declaration.
    void setProgramFolder(const QString &folder) { programFolder_ = folder; }

    void B_ListadoClick();
    void B_CarpetaClick();
    void B_ConstanciasClick();
    // A supplier's certificates for a year.
    void B_ConstanciasAnioClick();
    // The register the supplier of a year's certificates is completed from.
    void setSupplierRegister(const SupplierRegister *suppliers) { suppliers_ = suppliers; }

    QLineEdit *e_FiltroLegajo;
    QLineEdit *e_FiltroPeriodo;
    QLabel *cantidad;
    QTableView *lista;
    QPushButton *B_Listado;
    QPushButton *B_Carpeta;
    QPushButton *B_Constancias;
    QPushButton *B_ConstanciasAnio;
    QPushButton *B_Cerrar;
    PastDeclarationsModel *model;

private:
    void applyFilter();
    // The row under the cursor; false (with a word to the clerk) when none is chosen.
    bool chosen(int &row);
    void open(const QString &path);

    Dialogs &dialogs_;
    RetenStore &store_;
    std::function<ReportDefinition &()> report_;
    std::function<bool(const std::function<void()> &)> run_;
    std::unique_ptr<FiledDeclarationReader> reader_;
    QString programFolder_;
    const SupplierRegister *suppliers_ = nullptr;
};

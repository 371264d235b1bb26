#pragma once

#include "common/text_file.h"
#include "db/database_settings.h"
#include "header/registry.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class Dialogs;
class ExitTracker;
class GridModel;
class HandlerGuard;
class MaskedEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QCompleter;
class QStandardItemModel;
class QTableView;
class SupplierRegister;
class SupplierSync;
class TF_ayuda;
class RetenStore;
struct ManualEntry;
struct ReportDefinition;

// The main window. Every control carries its layout name as member and object name; every
// event handler runs through the window's error guard, and every exit check through the focus
// tracker, so a handler is a plain method named after its control and event.
class TF_Retenciones : public QWidget {
    Q_OBJECT

public:
    // The store is made and connected by the caller and outlives the window.
    TF_Retenciones(Dialogs &dialogs, RetenStore &store, QString programFolder, QWidget *parent = nullptr);
    ~TF_Retenciones() override;

    // Window level.
    QLabel *Image2;
    QLabel *Image1;
    QLabel *StaticText11;
    QFrame *Panel1;
    QFrame *Panel3;
    QFrame *Panel2;
    QPushButton *BitBtn2;
    QTableView *Grilla;
    QPushButton *B3;
    QLineEdit *e_totreten;
    QLabel *StaticText13;
    QPushButton *B_Confirma;
    QLabel *StaticText12;
    QLabel *salida;
    // The withholding certificates of the declaration just confirmed; F8 does the same. Out of
    // the Tab order, so the clerk's way through the window stays as it was.
    QPushButton *B_Constancias;
    // The window of past declarations (also the key F7).
    QPushButton *B_Anteriores;
    QPushButton *B_Agente;

    // Header panel.
    QLabel *StaticText1;
    QLineEdit *e_legaJo;
    QLabel *StaticText2;
    QLineEdit *e_Mes;
    QLabel *StaticText3;
    QLineEdit *E_ano;
    QLabel *StaticText4;
    MaskedEdit *e_Cuit;
    QLabel *StaticText5;
    QLineEdit *e_Razon;

    // Load-method panel.
    QLabel *StaticText16;
    QPushButton *B1;
    QPushButton *B2;
    QLabel *StaticText33;

    // Manual entry panel.
    QLabel *StaticText9;
    MaskedEdit *E_CuitReten;
    QLabel *StaticText10;
    QLineEdit *empresa;
    QLabel *StaticText7;
    MaskedEdit *E_FECha;
    QLabel *StaticText6;
    QLineEdit *E_Comprobante;
    QLabel *StaticText15;
    QLineEdit *Impo_compro;
    QLabel *StaticText8;
    QLineEdit *E_Importe;
    QPushButton *B_adiciona;

    // The cells of Grilla.
    GridModel *gridModel;

    // Text-file variables: FF reads declaration files, F writes the declaration.
    TextFile FF;
    TextFile F;

    // Header entry: the agent registry, loaded when the window is first shown.
    ::Tabla Tabla;

    // Declaration generation: the withholding store (Conector, tran, t_reten) and the listing
    // report Reporte, made at its first use once the window has registered its pictures.
    RetenStore &retenStore() const { return store_; }
    ReportDefinition &Reporte();

    // The help window made at start-up; BitBtn2Click makes one if there is none.
    void setHelpWindow(TF_ayuda *help);
    TF_ayuda *helpWindow() const;

    const QString &programFolder() const { return programFolder_; }
    Dialogs &dialogs() const { return dialogs_; }
    ExitTracker &exitTracker() const { return *tracker_; }

    // The suppliers declared before, by CUIT and by name; read from the database once the
    // window is painted, and taught by every declaration, import and reload.
    SupplierRegister &suppliers() const { return *suppliers_; }
    SupplierSync &supplierSync() const { return *supplierSync_; }
    // The list of registered names offered while the clerk types in empresa.
    QCompleter *empresaCompleter;

    // The system's default beep for a refused key; replaceable so that tests can count it.
    std::function<void()> beep;

    // Runs a handler as every handler of the window runs: an error ends it and is shown in
    // the default error box. True when it ran to its end.
    bool runHandler(const std::function<void()> &handler);

    // Moves the focus to the next tab stop exactly as Tab does.
    void SelectNextControl();

    // Handlers.
    void FormShow();
    void Limpia();
    void B3Click();
    void BitBtn2Click();
    void B1Click();
    void B2Click();
    void B_adicionaClick();
    void B_ConfirmaClick();
    void B_ConstanciasClick();
    void GrillaDblClick();
    void B_AnterioresClick();
    // F9: the agent's domicile and signer for the certificates, of the legajo typed (or of the
    // declaration just confirmed).
    void B_AgenteClick();
    // A click on the status line after a declaration opens its listing.
    void salidaClick();
    // The listing the status line names; empty before the first declaration.
    const QString &lastListing() const { return lastListing_; }

    // Exit checks, run by the focus tracker.
    void e_legaJoExit();
    void e_MesExit();
    void E_anoExit();
    void e_CuitExit();
    void e_RazonExit();
    void E_CuitRetenExit();
    void E_FEChaExit();
    void E_ComprobanteExit();
    void Impo_comproExit();

    // Key filters: a character set to 0 is swallowed.
    void e_legaJoKeyPress(char16_t &Key);
    void E_CuitRetenKeyPress(char16_t &Key);
    void E_ImporteKeyPress(char16_t &Key);
    void empresaKeyPress(char16_t &Key);
    void e_CuitKeyPress(char16_t &Key);
    void e_RazonKeyPress(char16_t &Key);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void createControls();
    // empresa's completion list and what choosing from it does.
    void createSupplierCompletion();
    void offerSuppliers(const QString &typed);
    void chooseSupplier(const QString &cuit, const QString &name);
    ManualEntry manualEntry() const;
    void setFocusOrder();
    void connectHandlers();

    Dialogs &dialogs_;
    RetenStore &store_;
    std::unique_ptr<ReportDefinition> report_;
    QString programFolder_;
    std::unique_ptr<HandlerGuard> guard_;
    ExitTracker *tracker_ = nullptr;
    QPointer<TF_ayuda> F_ayuda;
    bool shown_ = false;
    bool painted_ = false;
    std::unique_ptr<SupplierRegister> suppliers_;
    SupplierSync *supplierSync_ = nullptr;
    QStandardItemModel *supplierChoices_ = nullptr;
    // The declaration file the last CONFIRMA of this session wrote, with its fingerprint then,
    // for its certificates.
    struct ConfirmedDeclaration {
        QString file;
        QString sha256;
        QString legajo;
    };
    std::optional<ConfirmedDeclaration> lastDeclaration_;
    // The window "Datos del agente" for a legajo; false when it could not be opened.
    bool editAgentDetails(const QString &legajo, const QString &agentName);
    // The legajos whose missing details F8 asked for in this session: it asks once.
    QStringList agentDetailsAsked_;
    QString lastListing_;
    // Header and manual entry: set while Limpia empties the boxes, whose checks then do not run.
    bool resetting_ = false;
};

#include "app/tf_retenciones.h"

#include "app/accessible_names.h"
#include "app/exit_tracker.h"
#include "app/handler_guard.h"
#include "app/key_filters.h"
#include "app/masked_edit.h"
#include "app/screen_fonts.h"
#include "app/tf_ayuda.h"
#include "app/upper_case_validator.h"
#include "app/window_placement.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/numbers.h"
#include "common/paths.h"
#include "common/text_helpers.h"
#include "declaration/declaration_file.h"
#include "declaration/supplier_sync.h"
#include "header/header_checks.h"
#include "report/report_definition.h"
#include "withholdings/cuit.h"
#include "withholdings/declaration_line.h"
#include "withholdings/grid_model.h"
#include "withholdings/manual_entry.h"
#include "withholdings/supplier_register.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QWindow>

// The pictures are compiled into the program; a static library has to register them.
static void initPictures()
{
    Q_INIT_RESOURCE(retenciones);
}

namespace {
constexpr int ClientWidth = 933;
constexpr int ClientHeight = 650;
constexpr int StatusHeight = 20;
// Room between a bordered caption's border and its text.
constexpr int CaptionIndent = 2;

template <typename T> T *make(QWidget *parent, const char *name, int x, int y, int w, int h)
{
    auto *widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

void setBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setBaseColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
}

enum class Border { None, Single, Sunken };

QLabel *label(QWidget *parent, const char *name, int x, int y, int w, int h, const QString &text,
              Border border, const QFont &font)
{
    auto *l = make<QLabel>(parent, name, x, y, w, h);
    l->setText(text);
    l->setFont(font);
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (border == Border::Single) {
        l->setFrameStyle(QFrame::Box | QFrame::Plain);
        l->setLineWidth(1);
    } else if (border == Border::Sunken) {
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    if (border != Border::None)
        l->setIndent(CaptionIndent);
    // A caption shows whole: where the screen font makes the text wider than the layout's
    // label, the label grows to the right, with as much room after the text as before it
    // inside a border.
    const int needed = l->sizeHint().width() + (border == Border::None ? 0 : CaptionIndent);
    if (needed > w)
        l->resize(needed, h);
    return l;
}

QPushButton *button(QWidget *parent, const char *name, int x, int y, int w, int h, const QString &text,
                    const QIcon &glyph = QIcon(), int glyphSize = 32)
{
    auto *b = make<QPushButton>(parent, name, x, y, w, h);
    b->setText(text);
    if (!glyph.isNull()) {
        b->setIcon(glyph);
        b->setIconSize(QSize(glyphSize, glyphSize));
    }
    // Enter on a focused button clicks it, as the clerks are used to.
    b->setAutoDefault(true);
    // A caption shows whole: a button too narrow for it grows to the right.
    if (b->sizeHint().width() > w)
        b->resize(b->sizeHint().width(), h);
    return b;
}

QIcon picture(const char *path)
{
    const QString resource = QString::fromLatin1(path);
    return QFile::exists(resource) ? QIcon(resource) : QIcon();
}

QLabel *image(QWidget *parent, const char *name, int x, int y, int w, int h, const char *path)
{
    auto *l = make<QLabel>(parent, name, x, y, w, h);
    const QPixmap pixmap(QString::fromLatin1(path));
    if (!pixmap.isNull()) {
        l->setPixmap(pixmap);
        l->resize(pixmap.size());
    }
    return l;
}

QString utf8(const char *text)
{
    return QString::fromUtf8(text);
}

// Places the window's frame centred on the work area of its screen. Before the window is on
// screen its frame is not known yet and the client area stands for it.
void centreOnWorkArea(QWidget &window)
{
    if (const QScreen *screen = window.screen())
        window.move(centredFramePosition(screen->availableGeometry(), window.frameGeometry().size()));
}

// The desktop puts its frame around a window only once the window is on screen, so the frame's
// size is known from the window's first exposure on. Centres the window again then, once.
class CentreWhenFramed : public QObject {
public:
    explicit CentreWhenFramed(QWidget &window) : QObject(&window), window_(window)
    {
        if (QWindow *handle = window.windowHandle())
            handle->installEventFilter(this);
        else
            deleteLater();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && window_.windowHandle()->isExposed()) {
            watched->removeEventFilter(this);
            centreOnWorkArea(window_);
            deleteLater();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget &window_;
};

// A grid column too narrow for its title, with the margins the header draws it in, grows to
// the right (the columns after it move along).
void fitColumnsToTitles(QTableView *grid)
{
    const QHeaderView *titles = grid->horizontalHeader();
    const int margins = 2 * titles->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, titles);
    for (int column = 0; column < grid->model()->columnCount(); ++column) {
        const QString title = grid->model()->headerData(column, Qt::Horizontal).toString();
        const int needed = titles->fontMetrics().horizontalAdvance(title) + margins;
        if (needed > grid->columnWidth(column))
            grid->setColumnWidth(column, needed);
    }
}
} // namespace

TF_Retenciones::TF_Retenciones(Dialogs &dialogs, RetenStore &store, QString programFolder, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      beep([] { QApplication::beep(); }), dialogs_(dialogs), store_(store),
      programFolder_(std::move(programFolder)),
      guard_(
          std::make_unique<HandlerGuard>(dialogs, ApplicationTitle(QCoreApplication::applicationFilePath())))
{
    initPictures();
    setObjectName(QStringLiteral("F_Retenciones"));
    setWindowTitle(QString());
    setFont(TahomaFont(8));
    setBackground(this, Qt::white);
    resize(ClientWidth, ClientHeight);
    centreOnWorkArea(*this);

    guard_->setCleanup([this] {
        CloseTextFileQuietly(FF);
        CloseTextFileQuietly(F);
    });
    tracker_ = new ExitTracker(this, *guard_, [this] { beep(); });

    suppliers_ = std::make_unique<SupplierRegister>();
    supplierSync_ = new SupplierSync(store_, *suppliers_, this);

    createControls();
    setFocusOrder();
    connectHandlers();
    createSupplierCompletion();
    nameControls(*this);
}

TF_Retenciones::~TF_Retenciones() = default;

void TF_Retenciones::createControls()
{
    const QFont label10 = TahomaFont(10);

    Image2 = image(this, "Image2", 0, 0, 213, 107, ":/images/escudo.jpg");
    Image1 = image(this, "Image1", 732, 0, 232, 107, ":/images/titulo.jpg");
    StaticText11 =
        label(this, "StaticText11", 300, 8, 408, 23, utf8("DECLARACION JURADA AGENTES DE RETENCION"),
              Border::Single, TahomaFont(12, true));

    Panel1 = make<QFrame>(this, "Panel1", 169, 85, 592, 80);
    setBackground(Panel1, QColor(0xB0, 0xD8, 0xFF));
    Panel3 = make<QFrame>(this, "Panel3", 151, 171, 634, 78);
    Panel3->setFrameStyle(QFrame::Box | QFrame::Plain);
    setBackground(Panel3, QApplication::palette().color(QPalette::Button));
    Panel2 = make<QFrame>(this, "Panel2", 33, 255, 856, 160);
    setBackground(Panel2, QColor(0xDC, 0xEA, 0xFA));

    // Header panel.
    StaticText1 =
        label(Panel1, "StaticText1", 9, 9, 103, 20, utf8("Legajo Municipal "), Border::Single, label10);
    e_legaJo = make<QLineEdit>(Panel1, "e_legaJo", 125, 8, 68, 21);
    StaticText2 =
        label(Panel1, "StaticText2", 199, 9, 121, 20, utf8("Mes Retención (Nro)"), Border::Single, label10);
    e_Mes = make<QLineEdit>(Panel1, "e_Mes", 326, 8, 66, 21);
    StaticText3 =
        label(Panel1, "StaticText3", 412, 9, 86, 20, utf8("Año Retención"), Border::Single, label10);
    E_ano = make<QLineEdit>(Panel1, "E_ano", 504, 7, 63, 21);
    StaticText4 =
        label(Panel1, "StaticText4", 11, 49, 91, 20, utf8("Cuit Declarante"), Border::Single, label10);
    e_Cuit = make<MaskedEdit>(Panel1, "e_Cuit", 125, 48, 118, 21);
    e_Cuit->setReadOnly(true);
    StaticText5 =
        label(Panel1, "StaticText5", 268, 49, 77, 20, utf8("Razón Social"), Border::Single, label10);
    e_Razon = make<QLineEdit>(Panel1, "e_Razon", 351, 47, 228, 21);
    e_Razon->setReadOnly(true);
    e_Razon->setValidator(new UpperCaseValidator(e_Razon));
    // Not tab stops: they take the focus only by a click.
    e_Cuit->setFocusPolicy(Qt::ClickFocus);
    e_Razon->setFocusPolicy(Qt::ClickFocus);

    // Load-method panel.
    const QIcon check = picture(":/images/check.png");
    StaticText16 = label(Panel3, "StaticText16", 224, 0, 171, 20, utf8("Seleccione Mètodo de Carga"),
                         Border::None, ArialFont(10));
    B1 = button(Panel3, "B1", 63, 18, 158, 39, utf8("Importación de Archivo"), check);
    B2 = button(Panel3, "B2", 390, 18, 152, 39, utf8("Carga Manual"), check);
    StaticText33 = label(
        Panel3, "StaticText33", 90, 58, 442, 18,
        utf8("Importante: La separación  decimal  debe ser (punto) y de miles (coma) en Panel de Control"),
        Border::None, ArialFont(8));

    // Manual entry panel.
    StaticText9 =
        label(Panel2, "StaticText9", 6, 22, 94, 20, utf8("CUIT Proveedor"), Border::Single, label10);
    E_CuitReten = make<MaskedEdit>(Panel2, "E_CuitReten", 121, 22, 118, 21);
    E_CuitReten->setEditMask(QStringLiteral("00\\-00000000\\-0;0;_"));
    E_CuitReten->setMaxLength(13);
    StaticText10 =
        label(Panel2, "StaticText10", 250, 22, 85, 20, utf8("Razón Social  "), Border::Single, label10);
    empresa = make<QLineEdit>(Panel2, "empresa", 355, 22, 230, 21);
    empresa->setMaxLength(59);
    empresa->setValidator(new UpperCaseValidator(empresa));
    StaticText7 =
        label(Panel2, "StaticText7", 593, 23, 98, 20, utf8("Fecha Retención"), Border::Single, label10);
    E_FECha = make<MaskedEdit>(Panel2, "E_FECha", 699, 22, 88, 21);
    E_FECha->setEditMask(QStringLiteral("!99/99/0000;0;_"));
    E_FECha->setMaxLength(10);
    StaticText6 = label(Panel2, "StaticText6", 5, 68, 169, 20, utf8("Nro. Comprobante Retención"),
                        Border::Single, label10);
    E_Comprobante = make<QLineEdit>(Panel2, "E_Comprobante", 180, 68, 124, 21);
    // The receipt number field of the declaration record is 13 wide.
    E_Comprobante->setMaxLength(13);
    StaticText15 =
        label(Panel2, "StaticText15", 315, 70, 130, 20, utf8("Importe Comprobante"), Border::Single, label10);
    Impo_compro = make<QLineEdit>(Panel2, "Impo_compro", 452, 69, 125, 21);
    StaticText8 =
        label(Panel2, "StaticText8", 583, 69, 109, 20, utf8("Importe Retención"), Border::Single, label10);
    E_Importe = make<QLineEdit>(Panel2, "E_Importe", 698, 69, 140, 21);
    E_Importe->setReadOnly(true);
    B_adiciona = button(Panel2, "B_adiciona", 365, 113, 126, 39, utf8("ADICIONA"), check);

    // Window level, below the panels.
    BitBtn2 = button(this, "BitBtn2", 33, 421, 77, 25, utf8("Ayuda"),
                     style()->standardIcon(QStyle::SP_DialogHelpButton), 16);

    gridModel = new GridModel(this);
    Grilla = make<QTableView>(this, "Grilla", 138, 421, 708, 129);
    Grilla->setModel(gridModel);
    Grilla->setToolTip(utf8("DOBLE CLICK Borra Renglón"));
    Grilla->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grilla->setSelectionMode(QAbstractItemView::ContiguousSelection);
    Grilla->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A cell too narrow for its text is cut at the column's edge, not shortened with "...".
    Grilla->setTextElideMode(Qt::ElideNone);
    Grilla->setTabKeyNavigation(false);
    Grilla->setShowGrid(true);
    Grilla->setWordWrap(false);
    Grilla->verticalHeader()->hide();
    Grilla->verticalHeader()->setMinimumSectionSize(1);
    Grilla->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grilla->verticalHeader()->setDefaultSectionSize(15);
    QHeaderView *titles = Grilla->horizontalHeader();
    titles->setMinimumSectionSize(1);
    titles->setFixedHeight(16);
    titles->setHighlightSections(false);
    titles->setSectionsClickable(false);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const int widths[] = {33, 78, 71, 73, 129, 57, 186};
    for (int column = 0; column < GridModel::ColumnCount; ++column)
        Grilla->setColumnWidth(column, widths[column]);

    B3 = button(this, "B3", 3, 467, 129, 25, utf8("LIMPIA / REINICIA TODO"));
    e_totreten = make<QLineEdit>(this, "e_totreten", 283, 556, 102, 21);
    e_totreten->setReadOnly(true);
    e_totreten->setText(QStringLiteral("0"));
    setBaseColour(e_totreten, QColor(0x9B, 0xFF, 0xB5));
    // The box shows the grid's running total.
    connect(gridModel, &GridModel::totalChanged, e_totreten, &QLineEdit::setText);
    StaticText13 =
        label(this, "StaticText13", 141, 560, 117, 17, utf8("Total Retenciones ==>"), Border::None, font());
    B_Confirma =
        button(this, "B_Confirma", 398, 585, 126, 39, utf8("CONFIRMA"), picture(":/images/diskette.png"));
    StaticText12 = label(this, "StaticText12", 823, 585, 66, 17, utf8("Versión 5.0"), Border::Sunken,
                         TahomaFont(8, true));
    setBackground(StaticText12, QColor(0xFF, 0xFB, 0xF0));
    B_Constancias = button(this, "B_Constancias", 536, 599, 112, 25, utf8("Constancias (F8)"));
    B_Constancias->setFocusPolicy(Qt::NoFocus);

    salida = label(this, "salida", 0, ClientHeight - StatusHeight, ClientWidth, StatusHeight, QString(),
                   Border::Single, TahomaFont(10, true));
    salida->setAlignment(Qt::AlignCenter);
    setBackground(salida, QColor(0xFF, 0xA4, 0xD1));
    salida->installEventFilter(this);

    // Below the reset button, out of the tab order of the declaration's controls: F7 reaches it.
    B_Anteriores = button(this, "B_Anteriores", 3, 497, 129, 25, utf8("Anteriores (F7)"));
    B_Anteriores->setFocusPolicy(Qt::NoFocus);
    B_Anteriores->setToolTip(
        utf8("Declaraciones generadas antes: listados, carpetas y estado de sus archivos"));
    // Under it, the same way: F9 reaches it.
    B_Agente = button(this, "B_Agente", 3, 527, 129, 25, utf8("Datos agente (F9)"));
    B_Agente->setFocusPolicy(Qt::NoFocus);
    B_Agente->setToolTip(utf8("Domicilio del agente y quién firma sus constancias de retención"));

    // The panels lie over the pictures.
    Panel1->raise();
    Panel3->raise();
    Panel2->raise();
}

void TF_Retenciones::setFocusOrder()
{
    QWidget *const order[] = {e_legaJo,   e_Mes,   E_ano,         Grilla,      B_Confirma, E_CuitReten,
                              empresa,    E_FECha, E_Comprobante, Impo_compro, E_Importe,  B_adiciona,
                              e_totreten, B3,      BitBtn2,       B1,          B2};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TF_Retenciones::connectHandlers()
{
    auto click = [this](QPushButton *b, void (TF_Retenciones::*handler)()) {
        connect(b, &QPushButton::clicked, this,
                [this, handler] { runHandler([this, handler] { (this->*handler)(); }); });
    };
    click(B3, &TF_Retenciones::B3Click);
    click(BitBtn2, &TF_Retenciones::BitBtn2Click);
    click(B1, &TF_Retenciones::B1Click);
    click(B2, &TF_Retenciones::B2Click);
    click(B_adiciona, &TF_Retenciones::B_adicionaClick);
    click(B_Confirma, &TF_Retenciones::B_ConfirmaClick);
    click(B_Constancias, &TF_Retenciones::B_ConstanciasClick);
    auto *certificates = new QShortcut(QKeySequence(Qt::Key_F8), this);
    certificates->setContext(Qt::WindowShortcut);
    connect(certificates, &QShortcut::activated, B_Constancias, &QPushButton::click);
    click(B_Anteriores, &TF_Retenciones::B_AnterioresClick);
    connect(Grilla, &QAbstractItemView::doubleClicked, this,
            [this] { runHandler([this] { GrillaDblClick(); }); });
    // The keyboard's way to the same deletion, for a clerk who does not use the mouse.
    auto *deleteRow = new QShortcut(QKeySequence(Qt::Key_Delete), Grilla);
    deleteRow->setContext(Qt::WidgetShortcut);
    connect(deleteRow, &QShortcut::activated, this, [this] { runHandler([this] { GrillaDblClick(); }); });

    // Esc anywhere in the window clicks the cancel button, unless a masked box keeps it.
    auto *cancel = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    cancel->setContext(Qt::WindowShortcut);
    connect(cancel, &QShortcut::activated, B3, &QPushButton::click);
    auto *past = new QShortcut(QKeySequence(Qt::Key_F7), this);
    past->setContext(Qt::WindowShortcut);
    connect(past, &QShortcut::activated, B_Anteriores, &QPushButton::click);
    click(B_Agente, &TF_Retenciones::B_AgenteClick);
    auto *agent = new QShortcut(QKeySequence(Qt::Key_F9), this);
    agent->setContext(Qt::WindowShortcut);
    connect(agent, &QShortcut::activated, B_Agente, &QPushButton::click);

    auto exit = [this](QWidget *w, void (TF_Retenciones::*handler)()) {
        tracker_->setExitHandler(w, [this, handler] {
            if (!resetting_)
                (this->*handler)();
        });
    };
    exit(e_legaJo, &TF_Retenciones::e_legaJoExit);
    exit(e_Mes, &TF_Retenciones::e_MesExit);
    exit(E_ano, &TF_Retenciones::E_anoExit);
    exit(e_Cuit, &TF_Retenciones::e_CuitExit);
    exit(e_Razon, &TF_Retenciones::e_RazonExit);
    exit(E_CuitReten, &TF_Retenciones::E_CuitRetenExit);
    exit(E_FECha, &TF_Retenciones::E_FEChaExit);
    exit(E_Comprobante, &TF_Retenciones::E_ComprobanteExit);
    exit(Impo_compro, &TF_Retenciones::Impo_comproExit);

    auto keys = [this](QWidget *w, void (TF_Retenciones::*handler)(char16_t &)) {
        KeyPressHook::install(
            w, [this, handler](char16_t &key) { runHandler([&] { (this->*handler)(key); }); },
            [this] { beep(); });
    };
    for (QWidget *w :
         {static_cast<QWidget *>(e_legaJo), static_cast<QWidget *>(e_Mes), static_cast<QWidget *>(E_ano),
          static_cast<QWidget *>(E_Comprobante), static_cast<QWidget *>(E_FECha)})
        keys(w, &TF_Retenciones::e_legaJoKeyPress);
    keys(E_CuitReten, &TF_Retenciones::E_CuitRetenKeyPress);
    keys(Impo_compro, &TF_Retenciones::E_ImporteKeyPress);
    keys(E_Importe, &TF_Retenciones::E_ImporteKeyPress);
    keys(empresa, &TF_Retenciones::empresaKeyPress);
    keys(e_Cuit, &TF_Retenciones::e_CuitKeyPress);
    keys(e_Razon, &TF_Retenciones::e_RazonKeyPress);
}

bool TF_Retenciones::runHandler(const std::function<void()> &handler)
{
    return guard_->run(handler);
}

void TF_Retenciones::SelectNextControl()
{
    focusNextPrevChild(true);
}

void TF_Retenciones::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        // Centred again by the frame, as soon as the desktop has put one around the window.
        centreOnWorkArea(*this);
        new CentreWhenFramed(*this);
        // The desktop shows the application's name in a title bar whose caption is empty. A
        // blank name keeps it empty; it is set once the window exists, so that the desktop
        // still knows the window's class by the program's name.
        QCoreApplication::setApplicationName(QStringLiteral(" "));
        setWindowTitle(QString());
        runHandler([this] { FormShow(); });
        fitColumnsToTitles(Grilla);
    }
}

void TF_Retenciones::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (!painted_) {
        // The register costs the start-up nothing: it is read once the clerk sees the window. A
        // timer, not a posted call, so that the window's flush and what the program queued at
        // this paint (the database's attach) come first.
        painted_ = true;
        auto *later = new QTimer(supplierSync_);
        later->setSingleShot(true);
        connect(later, &QTimer::timeout, supplierSync_, [this, later] {
            later->deleteLater();
            supplierSync_->load();
        });
        later->start(0);
    }
}

void TF_Retenciones::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The status line stays along the bottom edge across the whole width.
    salida->setGeometry(0, height() - StatusHeight, width(), StatusHeight);
}

void TF_Retenciones::FormShow()
{
    B_Confirma->setEnabled(false);
    salida->hide();
    Panel2->hide();
    Panel3->hide();
    Limpia();
    gridModel->writeTitles();
    Tabla.loadBuiltIn();
}

void TF_Retenciones::Limpia()
{
    // The reset empties the box the clerk was in and takes him to the legajo: checking the
    // emptied box on the way would only hold him there with a message about nothing.
    const QScopedValueRollback<bool> resetting(resetting_, true);
    Panel1->setEnabled(true);
    gridModel->reset();
    for (QLineEdit *box :
         {e_legaJo, e_Mes, E_ano, static_cast<QLineEdit *>(e_Cuit), e_Razon, E_Comprobante,
          static_cast<QLineEdit *>(E_FECha), E_Importe, static_cast<QLineEdit *>(E_CuitReten)})
        box->setText(QString());
    e_totreten->setText(QStringLiteral("0"));
    e_legaJo->setFocus(Qt::OtherFocusReason);
    empresa->setText(QString());
    Impo_compro->setText(QString());
}

void TF_Retenciones::B3Click()
{
    if (!dialogs_.AskConfirmation(utf8("Esta seguro de Limpiar todo lo Ingresado ?")))
        return;
    Limpia();
    Panel2->hide();
    Panel3->hide();
    B_Confirma->setEnabled(false);
}

void TF_Retenciones::setHelpWindow(TF_ayuda *help)
{
    F_ayuda = help;
}

TF_ayuda *TF_Retenciones::helpWindow() const
{
    return F_ayuda;
}

void TF_Retenciones::BitBtn2Click()
{
    if (!F_ayuda)
        F_ayuda = new TF_ayuda(this);
    F_ayuda->exec();
}

// Header entry.

void TF_Retenciones::e_legaJoExit()
{
    const AgentLookup agent = lookUpAgent(Tabla, e_legaJo->text());
    if (agent.found) {
        e_Razon->setText(agent.razon);
        e_Cuit->setText(agent.cuit);
        return;
    }
    dialogs_.ShowInformation(LegajoNotFoundMessage);
    for (QLineEdit *box : {e_Razon, static_cast<QLineEdit *>(e_Cuit), e_Mes, E_ano})
        box->setText(QString());
    e_legaJo->setFocus(Qt::OtherFocusReason);
}

void TF_Retenciones::e_MesExit()
{
    if (!monthAccepted(e_Mes->text())) {
        dialogs_.ShowInformation(MonthErrorMessage);
        e_Mes->setFocus(Qt::OtherFocusReason);
    }
}

void TF_Retenciones::E_anoExit()
{
    if (!yearAccepted(E_ano->text())) {
        dialogs_.ShowInformation(YearErrorMessage);
        E_ano->setFocus(Qt::OtherFocusReason);
        return;
    }
    Panel1->setEnabled(false);
    Panel3->show();
    // Left by a click back into the header, the focus would stay in a locked box and the
    // keyboard would reach nothing: it goes where Tab from the year goes.
    const QWidget *now = QApplication::focusWidget();
    if (now == nullptr || Panel1->isAncestorOf(now))
        Grilla->setFocus(Qt::OtherFocusReason);
}

// The two read-only boxes only take the focus by a click while the header is open, and they
// are empty exactly when no agent has been found. Their checks remind the clerk of that but
// never hold the focus: the clerk cannot type into them, so holding it there would trap him.
// On the way to the legajo box, where the agent is entered, the reminder is left out.
void TF_Retenciones::e_CuitExit()
{
    if (QApplication::focusWidget() == e_legaJo)
        return;
    if (TrimBlanks(e_Cuit->text()).isEmpty())
        dialogs_.ShowInformation(CuitMissingMessage);
}

void TF_Retenciones::e_RazonExit()
{
    if (QApplication::focusWidget() == e_legaJo)
        return;
    if (TrimBlanks(e_Razon->text()).isEmpty()) {
        dialogs_.ShowInformation(RazonErrorMessage);
    } else if (TrimBlanks(e_legaJo->text()).isEmpty()) {
        dialogs_.ShowInformation(LegajoErrorMessage);
        e_legaJo->setFocus(Qt::OtherFocusReason);
    }
}

// Withholding grid and manual entry.

void TF_Retenciones::GrillaDblClick()
{
    gridModel->deleteRow(GridModel::gridRow(Grilla->currentIndex()));
}

void TF_Retenciones::E_ComprobanteExit()
{
    const QString receipt = TrimBlanks(E_Comprobante->text());
    if (receipt.isEmpty())
        return;
    // One message per row that holds the number.
    const int matches = gridModel->receiptCount(receipt);
    for (int i = 0; i < matches; ++i) {
        dialogs_.ShowInformation(DuplicateReceiptMessage);
        E_Comprobante->setFocus(Qt::OtherFocusReason);
    }
}

void TF_Retenciones::B2Click()
{
    // CONFIRMA is armed only by a reload that went in whole: after a failed one it would
    // replace the period's declaration with whatever the grid holds.
    B_Confirma->setEnabled(false);
    // The declaration of the period lies, if anywhere, in the current folder under its bare
    // name, where the generation writes it.
    const QString fileName =
        declarationFileName(declarationBaseName(E_ano->text(), e_Mes->text(), e_legaJo->text()));
    if (FileExistsAt(fileName)) {
        // Every line is converted before any row is appended, and all of them must fit.
        const QList<DeclarationLine> lines = readDeclarationFile(FF, fileName);
        if (!gridModel->hasRoomFor(lines.size())) {
            dialogs_.ShowInformation(ReloadDoesNotFitMessage);
            return;
        }
        const QList<Withholding> rows = reloadedRows(lines);
        gridModel->appendAll(rows);
        supplierSync_->teach(rows, E_ano->text(), e_Mes->text());
    }
    B_Confirma->setEnabled(true);
    Panel2->show();
    Panel3->hide();
    // Where the clerk types next.
    E_CuitReten->setFocus(Qt::OtherFocusReason);
}

void TF_Retenciones::E_FEChaExit()
{
    for (const QString &problem : dateProblems(E_FECha->value(), e_Mes->text(), E_ano->text())) {
        dialogs_.ShowInformation(problem);
        E_FECha->setFocus(Qt::OtherFocusReason);
    }
}

void TF_Retenciones::Impo_comproExit()
{
    const InvoiceAmountCheck check = checkInvoiceAmount(Impo_compro->text());
    Impo_compro->setText(check.formatted);
    if (!check.problem.isEmpty()) {
        dialogs_.ShowInformation(check.problem);
        Impo_compro->setFocus(Qt::OtherFocusReason);
        return;
    }
    E_Importe->setText(check.withheld);
    B_adiciona->setFocus(Qt::OtherFocusReason);
}

ManualEntry TF_Retenciones::manualEntry() const
{
    return ManualEntry{E_CuitReten->value(),  empresa->text(),     E_FECha->value(),
                       E_Comprobante->text(), Impo_compro->text(), E_Importe->text()};
}

void TF_Retenciones::B_adicionaClick()
{
    if (!requiredFieldsPresent(e_legaJo->text(), manualEntry())) {
        dialogs_.ShowInformation(RequiredFieldMessage);
        return;
    }
    // A check that failed on leaving its box (or never ran) stops the row here.
    const EntryAddition addition = entryAddition(manualEntry(), e_Mes->text(), E_ano->text());
    if (!addition.accepted()) {
        for (const QString &message : addition.messages)
            dialogs_.ShowInformation(message);
        if (!addition.conversionError.isEmpty())
            dialogs_.ShowError(guard_->applicationTitle(), DefaultErrorBoxText(addition.conversionError));
        if (addition.refusedBox == EntryBox::Date)
            E_FECha->setFocus(Qt::OtherFocusReason);
        else
            Impo_compro->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!gridModel->hasRoomFor(1)) {
        dialogs_.ShowInformation(GridFullMessage);
        return;
    }
    // A mistyped CUIT comes back from the municipality weeks later; the clerk may still keep it.
    const QString supplierCuit = manualRow(manualEntry()).supplierCuit;
    if (!isValidCuit(supplierCuit) && !dialogs_.AskConfirmation(invalidCuitQuestion(supplierCuit))) {
        E_CuitReten->setFocus(Qt::OtherFocusReason);
        return;
    }
    E_CuitReten->setFocus(Qt::OtherFocusReason);
    gridModel->append(addition.row);

    for (QLineEdit *box : {E_Comprobante, static_cast<QLineEdit *>(E_FECha), E_Importe,
                           static_cast<QLineEdit *>(E_CuitReten), empresa, Impo_compro})
        box->setText(QString());
}

namespace {
void filterKey(TF_Retenciones &window, KeyFilter filter, char16_t &key)
{
    const KeyFilterOutcome outcome = applyKeyFilter(filter, key);
    const int refusedBefore = window.exitTracker().refusedMoves();
    if (outcome.moveOn)
        window.SelectNextControl();
    // A box that refused the move has beeped already: one refused key, one beep.
    if (outcome.beep && window.beep && window.exitTracker().refusedMoves() == refusedBefore)
        window.beep();
}
} // namespace

void TF_Retenciones::e_legaJoKeyPress(char16_t &Key)
{
    filterKey(*this, KeyFilter::Digit, Key);
}
void TF_Retenciones::E_CuitRetenKeyPress(char16_t &Key)
{
    filterKey(*this, KeyFilter::Digit, Key);
}
void TF_Retenciones::E_ImporteKeyPress(char16_t &Key)
{
    filterKey(*this, KeyFilter::Amount, Key);
}
void TF_Retenciones::empresaKeyPress(char16_t &Key)
{
    filterKey(*this, KeyFilter::Enter, Key);
}
void TF_Retenciones::e_CuitKeyPress(char16_t &Key)
{
    filterKey(*this, KeyFilter::Enter, Key);
}
void TF_Retenciones::e_RazonKeyPress(char16_t &Key)
{
    filterKey(*this, KeyFilter::Enter, Key);
}

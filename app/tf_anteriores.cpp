#include "app/tf_anteriores.h"

#include "app/tf_constancias_anio.h"
#include "certificates/certificates.h"

#include "app/accessible_names.h"
#include "app/screen_fonts.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "declaration/filed_declaration.h"
#include "declaration/listing_from_file.h"
#include "declaration/past_declarations_model.h"
#include "declaration/reten_store.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

TF_Anteriores::TF_Anteriores(Dialogs &dialogs, RetenStore &store, std::function<ReportDefinition &()> report,
                             std::function<bool(const std::function<void()> &)> run, QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      dialogs_(dialogs), store_(store), report_(std::move(report)), run_(std::move(run)),
      reader_(std::make_unique<FiledDeclarationReader>(store.Conector))
{
    setObjectName(QStringLiteral("F_Anteriores"));
    setWindowTitle(QStringLiteral("Declaraciones anteriores"));
    setFont(TahomaFont(8));
    resize(860, 440);

    auto *filters = new QHBoxLayout;
    auto *legajoLabel = new QLabel(QStringLiteral("&Legajo"), this);
    e_FiltroLegajo = new QLineEdit(this);
    e_FiltroLegajo->setObjectName(QStringLiteral("e_FiltroLegajo"));
    e_FiltroLegajo->setMaximumWidth(90);
    legajoLabel->setBuddy(e_FiltroLegajo);
    auto *periodLabel = new QLabel(QStringLiteral("&Período (MM/AAAA o AAAA)"), this);
    e_FiltroPeriodo = new QLineEdit(this);
    e_FiltroPeriodo->setObjectName(QStringLiteral("e_FiltroPeriodo"));
    e_FiltroPeriodo->setMaximumWidth(90);
    periodLabel->setBuddy(e_FiltroPeriodo);
    cantidad = new QLabel(this);
    cantidad->setObjectName(QStringLiteral("cantidad"));
    filters->addWidget(legajoLabel);
    filters->addWidget(e_FiltroLegajo);
    filters->addSpacing(16);
    filters->addWidget(periodLabel);
    filters->addWidget(e_FiltroPeriodo);
    filters->addSpacing(16);
    filters->addWidget(cantidad, 1);

    model = new PastDeclarationsModel(this);
    lista = new QTableView(this);
    lista->setObjectName(QStringLiteral("lista"));
    lista->setModel(model);
    lista->setSelectionBehavior(QAbstractItemView::SelectRows);
    lista->setSelectionMode(QAbstractItemView::SingleSelection);
    lista->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lista->setTabKeyNavigation(false);
    lista->setWordWrap(false);
    lista->verticalHeader()->hide();
    lista->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lista->verticalHeader()->setDefaultSectionSize(18);
    lista->horizontalHeader()->setHighlightSections(false);
    lista->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {60, 70, 55, 125, 50, 90, 210};
    for (int column = 0; column < int(std::size(widths)); ++column)
        lista->setColumnWidth(column, widths[column]);

    auto *buttons = new QHBoxLayout;
    B_Listado = new QPushButton(QStringLiteral("Abrir &listado"), this);
    B_Listado->setObjectName(QStringLiteral("B_Listado"));
    B_Carpeta = new QPushButton(QStringLiteral("Abrir &carpeta"), this);
    B_Carpeta->setObjectName(QStringLiteral("B_Carpeta"));
    B_Constancias = new QPushButton(QStringLiteral("Co&nstancias"), this);
    B_Constancias->setObjectName(QStringLiteral("B_Constancias"));
    B_Constancias->setAccessibleDescription(
        QStringLiteral("Constancias de retención de la declaración elegida, leídas de su archivo"));
    B_ConstanciasAnio = new QPushButton(QStringLiteral("Constancias del &año"), this);
    B_ConstanciasAnio->setObjectName(QStringLiteral("B_ConstanciasAnio"));
    B_ConstanciasAnio->setAccessibleDescription(
        QStringLiteral("Todas las constancias de un proveedor en un año, en un PDF"));
    B_Cerrar = new QPushButton(QStringLiteral("Cerrar"), this);
    B_Cerrar->setObjectName(QStringLiteral("B_Cerrar"));
    for (QPushButton *b : {B_Listado, B_Carpeta, B_Constancias, B_ConstanciasAnio, B_Cerrar})
        b->setAutoDefault(false);
    buttons->addWidget(B_Listado);
    buttons->addWidget(B_Carpeta);
    buttons->addWidget(B_Constancias);
    buttons->addWidget(B_ConstanciasAnio);
    buttons->addStretch(1);
    buttons->addWidget(B_Cerrar);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(lista, 1);
    layout->addLayout(buttons);

    connect(e_FiltroLegajo, &QLineEdit::textChanged, this, &TF_Anteriores::applyFilter);
    connect(e_FiltroPeriodo, &QLineEdit::textChanged, this, &TF_Anteriores::applyFilter);
    connect(B_Listado, &QPushButton::clicked, this, [this] { run_([this] { B_ListadoClick(); }); });
    connect(B_Carpeta, &QPushButton::clicked, this, [this] { run_([this] { B_CarpetaClick(); }); });
    connect(B_Constancias, &QPushButton::clicked, this, [this] { run_([this] { B_ConstanciasClick(); }); });
    connect(B_ConstanciasAnio, &QPushButton::clicked, this,
            [this] { run_([this] { B_ConstanciasAnioClick(); }); });
    connect(B_Cerrar, &QPushButton::clicked, this, &QDialog::accept);
    // A double click or Enter on a row opens its listing.
    connect(lista, &QAbstractItemView::activated, this, [this] { run_([this] { B_ListadoClick(); }); });
    setTabOrder(e_FiltroLegajo, e_FiltroPeriodo);
    setTabOrder(e_FiltroPeriodo, lista);
    setTabOrder(lista, B_Listado);
    setTabOrder(B_Listado, B_Carpeta);
    setTabOrder(B_Carpeta, B_Constancias);
    setTabOrder(B_Constancias, B_ConstanciasAnio);
    setTabOrder(B_ConstanciasAnio, B_Cerrar);
    nameControls(*this);
}

TF_Anteriores::~TF_Anteriores() = default;

void TF_Anteriores::load()
{
    applyFilter();
    lista->setFocus(Qt::OtherFocusReason);
}

void TF_Anteriores::applyFilter()
{
    const DeclarationFilter filter = declarationFilter(e_FiltroLegajo->text(), e_FiltroPeriodo->text());
    bool hasTable = true;
    const bool read = run_([&] { hasTable = reader_->open(filter); });
    QString note;
    if (!read)
        note = QStringLiteral("  (no se pudo leer la base de datos)");
    else if (!hasTable)
        note = QStringLiteral("  (esta base de datos no registra las declaraciones: le falta la tabla "
                              "DECLARACION)");
    model->setSource([this](int max) {
        QList<FiledDeclaration> rows;
        // A database that goes away while the list is scrolled is reported, and the list ends.
        if (!run_([&] { rows = reader_->next(max); }))
            reader_->close();
        return rows;
    });
    const int count = read ? reader_->count() : 0;
    cantidad->setText(
        (count == 1 ? QStringLiteral("1 declaración") : QStringLiteral("%1 declaraciones").arg(count)) +
        note);
    if (model->rowCount() > 0)
        lista->setCurrentIndex(model->index(0, 0));
}

bool TF_Anteriores::chosen(int &row)
{
    const QModelIndex current = lista->currentIndex();
    if (!current.isValid()) {
        dialogs_.ShowInformation(QStringLiteral("Elija primero una declaración de la lista."));
        return false;
    }
    row = current.row();
    return true;
}

void TF_Anteriores::open(const QString &path)
{
    if (!dialogs_.OpenWithDesktop(path))
        dialogs_.ShowInformation(
            QStringLiteral("El escritorio no pudo abrir %1. Ábralo desde el administrador de archivos.")
                .arg(QDir::toNativeSeparators(path)));
}

void TF_Anteriores::B_ListadoClick()
{
    int row = 0;
    if (chosen(row))
        open(listingToOpen(model->declaration(row), report_(), programFolder_));
}

void TF_Anteriores::B_CarpetaClick()
{
    int row = 0;
    if (chosen(row))
        open(folderToOpen(model->declaration(row), programFolder_));
}

void TF_Anteriores::B_ConstanciasClick()
{
    int row = 0;
    if (!chosen(row))
        return;
    // Read from the file as it was filed: one changed since is refused, and so is a row whose
    // paths are not the program's own or that was made on another machine.
    const FiledDeclaration d = model->declaration(row);
    if (d.host != thisMachine()) {
        dialogs_.ShowInformation(
            QStringLiteral("La declaración %1 se generó en otro equipo (%2): sus constancias "
                           "se emiten en ese equipo.")
                .arg(d.baseName, d.host));
        return;
    }
    try {
        AgentDetails agent;
        try {
            agent = readAgentDetails(store_.Conector, d.legajo).value_or(AgentDetails{});
        } catch (const DatabaseError &) {
        }
        const CertificatesWritten written = writeCertificates(
            d.file, QString::fromLatin1(d.sha256), CertificateIssue{d.legajo, {}, {}, agent, d.baseName});
        dialogs_.OpenFile(written.pdfPath);
    } catch (const CertificateError &e) {
        dialogs_.ShowInformation(e.message());
    }
}

void TF_Anteriores::B_ConstanciasAnioClick()
{
    const DeclarationFilter filter = declarationFilter(e_FiltroLegajo->text(), e_FiltroPeriodo->text());
    int year = filter.valid ? filter.year : 0;
    if (year == 0) {
        const QModelIndex current = lista->currentIndex();
        year = current.isValid() ? model->declaration(current.row()).year : QDate::currentDate().year();
    }
    TF_ConstanciasAnio window(dialogs_, store_.Conector, suppliers_, filter.valid ? filter.legajo : QString(),
                              year, this);
    window.exec();
}

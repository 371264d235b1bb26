#include "app/accessible_names.h"

#include "app/accessible_table.h"
#include "app/accessible_text.h"
#include "app/masked_edit.h"
#include "app/tf_anteriores.h"
#include "app/tf_ayuda.h"
#include "app/tf_retenciones.h"
#include "common/text_helpers.h"
#include "declaration/past_declarations_model.h"
#include "withholdings/grid_model.h"
#include "withholdings/withholding.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTextEdit>
#include <QTimer>

namespace {
// The role a widget is announced with where its class alone gives the wrong one.
const char *const RoleProperty = "accessibleRole";
// The hidden label through which the window tells the reader what happened.
const char *const NoticeName = "avisoLector";

QString utf8(const char *text)
{
    return QString::fromUtf8(text);
}

// The application's title bar is left empty through a blank application name; the reader
// still names the program.
class NamedApplication : public QAccessibleApplication {
public:
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? QStringLiteral("Retenciones") : QAccessibleApplication::text(t);
    }
};

// The main window is a plain widget, which Qt announces as a mere filler; it is a window, and its
// children are read in the order Tab visits them, not in the order they were made and stacked.
class MainWindowAccessible : public QAccessibleWidget {
public:
    explicit MainWindowAccessible(TF_Retenciones *window) : QAccessibleWidget(window, QAccessible::Window) {}

    int childCount() const override { return static_cast<int>(children().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> list = children();
        return index >= 0 && index < list.size() ? QAccessible::queryAccessibleInterface(list[index])
                                                 : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child ? static_cast<int>(children().indexOf(qobject_cast<QWidget *>(child->object()))) : -1;
    }

private:
    QList<QWidget *> children() const
    {
        const auto &w = static_cast<const TF_Retenciones &>(*widget());
        // Each caption just before the control it names; pictures and fixed texts where they
        // stand on the screen. Until the window has made and named its controls, the order in
        // which they were made.
        QList<QWidget *> ordered;
        if (w.property(RoleProperty).isValid())
            ordered = {w.Image2,     w.StaticText11,  w.Image1, w.Panel1,       w.Grilla,
                       w.B_Confirma, w.B_Constancias, w.Panel2, w.StaticText13, w.e_totreten,
                       w.B3,         w.BitBtn2,       w.Panel3, w.StaticText12, w.salida};
        for (QObject *object : w.children()) {
            auto *child = qobject_cast<QWidget *>(object);
            if (child != nullptr && !child->isWindow() && !ordered.contains(child))
                ordered.append(child);
        }
        return ordered;
    }
};

// The status line is a label to Qt; to a reader it is the window's status, read again whenever
// its text changes.
class StatusLineAccessible : public QAccessibleWidget {
public:
    explicit StatusLineAccessible(QLabel *label) : QAccessibleWidget(label, QAccessible::StatusBar) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<const QLabel *>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *accessibleWithRole(const QString &className, QObject *object)
{
    Q_UNUSED(className);
    if (object != nullptr && object == QCoreApplication::instance())
        return new NamedApplication;
    if (auto *window = qobject_cast<TF_Retenciones *>(object))
        return new MainWindowAccessible(window);
    auto *widget = qobject_cast<QWidget *>(object);
    if (widget == nullptr)
        return nullptr;
    if (auto *view = qobject_cast<QTableView *>(widget))
        return makeTableAccessible(view);
    const QVariant role = widget->property(RoleProperty);
    // A spin box reads its own box.
    if (auto *edit = qobject_cast<QLineEdit *>(widget);
        edit != nullptr && !role.isValid() && edit->objectName() != QLatin1String("qt_spinbox_lineedit"))
        return makeLineEditAccessible(edit);
    if (!role.isValid())
        return nullptr;
    if (auto *label = qobject_cast<QLabel *>(widget);
        label != nullptr && role.toInt() == QAccessible::StatusBar)
        return new StatusLineAccessible(label);
    return new QAccessibleWidget(widget, static_cast<QAccessible::Role>(role.toInt()));
}

void announce(QWidget *window, const QString &text);

// A box moves its caret or selects its text while it takes the focus, and Qt tells a reader
// so before it tells it where the focus went: the reader then takes the box for the one it is
// on and says nothing of the move. What a box entered says of its caret is held until the
// reader has been told of the focus.
QPointer<QLineEdit> entering;
bool caretHeld = false;
// A box being left unselects its text: how it is drawn without the focus, not the clerk's doing,
// and a reader would say "unselected" before the next control.
QPointer<QLineEdit> leaving;
constexpr int StatusDelay = 500; // milliseconds
QAccessible::UpdateHandler previousHandler = nullptr;

void orderUpdates(QAccessibleEvent *event);

void forward(QAccessibleEvent *event)
{
    if (previousHandler != nullptr) {
        previousHandler(event);
        return;
    }
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(orderUpdates);
}

void tellCaret(QLineEdit *edit)
{
    if (edit->hasSelectedText() && !edit->isReadOnly()) {
        QAccessibleTextSelectionEvent selection(edit, edit->selectionStart(), edit->selectionEnd());
        selection.setCursorPosition(edit->cursorPosition());
        forward(&selection);
    }
}

bool isStatusLine(QObject *object)
{
    return object != nullptr && object->isWidgetType() &&
           object->property(RoleProperty).toInt() == QAccessible::StatusBar;
}

void orderUpdates(QAccessibleEvent *event)
{
    QObject *object = event->object();
    // Past the last filled row of a table the reader is on the table, on no cell; coming back,
    // the row is read again.
    if (aboutHiddenCell(event)) {
        if (event->type() == QAccessible::Focus) {
            QAccessibleEvent onTable(object, QAccessible::Focus);
            forward(&onTable);
        }
        return;
    }
    // A new result on the status line is announced once the window has settled: a reader
    // drops what comes amid the flood of changes that CONFIRMA's emptying the window causes.
    if (event->type() == QAccessible::NameChanged && isStatusLine(object)) {
        auto *status = static_cast<QLabel *>(object);
        QTimer::singleShot(StatusDelay, status, [status] { announce(status->window(), status->text()); });
    }
    if (!QAccessible::isActive() && previousHandler == nullptr)
        return;
    // A reader that looked at the window while the status line was hidden (a flat review)
    // keeps it for hidden, and would not find it once shown: it is shown to the reader as a new
    // object, whose state the reader asks for afresh.
    if (event->type() == QAccessible::ObjectShow && isStatusLine(object))
        QAccessible::deleteAccessibleInterface(
            QAccessible::uniqueId(QAccessible::queryAccessibleInterface(object)));
    if (!leaving.isNull() && object == leaving.data() && event->type() == QAccessible::TextSelectionChanged)
        return;
    if (!entering.isNull() && object == entering.data()) {
        const QAccessible::Event type = event->type();
        if (type == QAccessible::TextCaretMoved || type == QAccessible::TextSelectionChanged) {
            caretHeld = true;
            return;
        }
        if (type == QAccessible::Focus) {
            const QPointer<QLineEdit> edit = entering;
            entering = nullptr;
            forward(event);
            if (caretHeld && !edit.isNull())
                tellCaret(edit.data());
            caretHeld = false;
            return;
        }
    }
    forward(event);
}

class FocusOrder : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusOut && QAccessible::isActive())
            leaving = qobject_cast<QLineEdit *>(watched);
        if (event->type() == QEvent::FocusIn && QAccessible::isActive()) {
            leaving = nullptr;
            if (auto *edit = qobject_cast<QLineEdit *>(watched)) {
                entering = edit;
                caretHeld = false;
                // Qt tells of the focus before this turn of the event loop ends; a box whose
                // focus was taken back meanwhile holds nothing after it.
                QTimer::singleShot(0, edit, [] {
                    entering = nullptr;
                    caretHeld = false;
                });
            }
            // A table read as it is entered names its size only; the row the clerk is on
            // follows.
            if (auto *view = qobject_cast<QAbstractItemView *>(watched))
                QTimer::singleShot(0, view, [view] { tellCurrentCell(view); });
        }
        return false;
    }

private:
    static void tellCurrentCell(QAbstractItemView *view)
    {
        const QModelIndex current = view->currentIndex();
        QAccessibleInterface *table = QAccessible::queryAccessibleInterface(view);
        if (!view->hasFocus() || !current.isValid() || table == nullptr || table->tableInterface() == nullptr)
            return;
        QAccessibleInterface *cell = table->tableInterface()->cellAt(current.row(), current.column());
        // An empty row is no news.
        const int child =
            cell != nullptr && !cell->text(QAccessible::Name).isEmpty() ? table->indexOfChild(cell) : -1;
        if (child < 0)
            return;
        QAccessibleEvent focus(view, QAccessible::Focus);
        focus.setChild(child);
        QAccessible::updateAccessibility(&focus);
    }
};
} // namespace

void installAccessibleInterfaces()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleWithRole);
        QCoreApplication::instance()->installEventFilter(new FocusOrder(QCoreApplication::instance()));
        previousHandler = QAccessible::installUpdateHandler(orderUpdates);
        return true;
    }();
    Q_UNUSED(installed);
}

namespace {
void setRole(QWidget *widget, QAccessible::Role role)
{
    widget->setProperty(RoleProperty, static_cast<int>(role));
    // With a reader present, Qt may have made the widget's interface already, with the role of
    // its class: it is made again, with this one, when next asked for.
    if (QAccessible::isActive())
        QAccessible::deleteAccessibleInterface(
            QAccessible::uniqueId(QAccessible::queryAccessibleInterface(widget)));
}

// Tells the reader, as it happens, what the window shows without moving the focus: a
// notification, which a reader reads out wherever the clerk is. Nothing is drawn for it.
void announce(QWidget *window, const QString &text)
{
    if (text.isEmpty())
        return;
    auto *notice = window->findChild<QLabel *>(QLatin1String(NoticeName), Qt::FindDirectChildrenOnly);
    if (notice == nullptr) {
        notice = new QLabel(window);
        notice->setObjectName(QLatin1String(NoticeName));
        notice->hide();
        notice->setProperty(RoleProperty, static_cast<int>(QAccessible::Notification));
    }
    notice->setAccessibleName(text);
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent shown(notice, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

// A row appended or deleted is announced once its cells and the total are written.
void followRows(TF_Retenciones &w)
{
    auto *pending = new QTimer(&w);
    pending->setSingleShot(true);
    pending->setInterval(0);
    QObject::connect(w.gridModel, &QAbstractItemModel::dataChanged, pending,
                     [pending](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                         if (topLeft.row() != bottomRight.row())
                             return;
                         pending->setProperty("row", GridModel::gridRow(topLeft));
                         pending->start();
                     });
    QObject::connect(pending, &QTimer::timeout, &w, [&w, pending] {
        announce(&w, rowAnnouncement(*w.gridModel, pending->property("row").toInt()));
    });
}

// Entered, the grid is named with how many withholdings it holds.
class GridCount : public QObject {
public:
    GridCount(TF_Retenciones &w) : QObject(w.Grilla), w_(w) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        Q_UNUSED(watched);
        if (event->type() == QEvent::FocusIn) {
            const auto count = w_.gridModel->withholdings().size();
            const QString name = QStringLiteral("Retenciones cargadas");
            w_.Grilla->setAccessibleName(count == 0   ? name + QStringLiteral(", ninguna")
                                         : count == 1 ? name + QStringLiteral(", 1 retención")
                                                      : name + QStringLiteral(", %1 retenciones").arg(count));
        }
        return false;
    }

private:
    TF_Retenciones &w_;
};

// The agent the registry gave for the legajo, once it is in its boxes.
void followAgent(TF_Retenciones &w)
{
    auto *pending = new QTimer(&w);
    pending->setSingleShot(true);
    pending->setInterval(0);
    QObject::connect(w.e_Razon, &QLineEdit::textChanged, pending, [pending] { pending->start(); });
    QObject::connect(pending, &QTimer::timeout, &w, [&w] {
        const QString name = TrimBlanks(w.e_Razon->text());
        if (!name.isEmpty())
            announce(&w, QStringLiteral("Agente %1, CUIT %2").arg(name, TrimBlanks(w.e_Cuit->text())));
    });
}

struct Naming {
    QWidget *control;
    // The label the clerk reads beside the control: the reader's name for it, unless the
    // control has a name of its own below.
    QLabel *caption;
    // Where the caption is missing or the same as another one.
    const char *name;
    // What goes in, where the name does not say it.
    const char *description;
};
} // namespace

void nameControls(TF_Retenciones &w)
{
    installAccessibleInterfaces();
    const Naming table[] = {
        {w.e_legaJo, w.StaticText1, nullptr, "Solo dígitos"},
        {w.e_Mes, w.StaticText2, nullptr, "Número de mes, de 1 a 12"},
        {w.E_ano, w.StaticText3, nullptr, "Cuatro dígitos, AAAA"},
        {w.e_Cuit, w.StaticText4, nullptr, "Solo lectura, la completa el legajo"},
        {w.e_Razon, w.StaticText5, "Razón Social Declarante", "Solo lectura, la completa el legajo"},
        {w.Grilla, nullptr, "Retenciones cargadas", "Doble click o Supr borra el renglón"},
        {w.B_Confirma, nullptr, nullptr, "Genera el archivo de la declaración y el listado PDF"},
        {w.B_Constancias, nullptr, "Constancias de retención",
         "F8, un PDF con la constancia de cada retención de la declaración recién confirmada"},
        {w.E_CuitReten, w.StaticText9, nullptr, "11 dígitos"},
        {w.empresa, w.StaticText10, "Razón Social Proveedor", nullptr},
        {w.E_FECha, w.StaticText7, nullptr, "DD/MM/AAAA, del mes y año declarados"},
        {w.E_Comprobante, w.StaticText6, nullptr, "Solo dígitos"},
        {w.Impo_compro, w.StaticText15, nullptr, "Con punto decimal, por ejemplo 1500.50"},
        {w.E_Importe, w.StaticText8, nullptr, "Solo lectura, se calcula del importe del comprobante"},
        {w.B_adiciona, nullptr, nullptr, "Agrega la retención a la grilla"},
        {w.e_totreten, w.StaticText13, "Total Retenciones", "Solo lectura"},
        {w.B3, nullptr, nullptr, "Escape, pregunta antes de borrar todo lo ingresado"},
        {w.BitBtn2, nullptr, nullptr, "Abre la ayuda"},
        {w.B1, nullptr, nullptr, "Elige un archivo con el formato de la declaración o una planilla CSV"},
        {w.B2, nullptr, nullptr, "Recarga la declaración del período si existe, y se cargan de a una"},
        // Not controls, but read on the way: the panels a control lies in, the pictures.
        {w.Panel1, nullptr, "Agente y período", nullptr},
        {w.Panel2, nullptr, "Carga Manual", nullptr},
        {w.Panel3, w.StaticText16, nullptr, nullptr},
        {w.Image2, nullptr, "Municipalidad de Quenvara", nullptr},
        {w.Image1, nullptr, "Quenvara Tasas Municipales", nullptr},
    };
    // The window's reading order and the roles first: naming a control tells a reader at once.
    setRole(&w, QAccessible::Window);
    for (QWidget *panel : {w.Panel1, w.Panel2, w.Panel3})
        setRole(panel, QAccessible::Grouping);
    setRole(w.salida, QAccessible::StatusBar);
    for (const Naming &n : table) {
        if (n.name != nullptr)
            n.control->setAccessibleName(utf8(n.name));
        else if (n.caption != nullptr)
            n.control->setAccessibleName(TrimBlanks(n.caption->text()));
        // A panel is not a label's buddy: only a control that takes the focus is. A reader
        // reads a buddy's caption instead of the control's name, so a control named otherwise
        // has none.
        if (n.caption != nullptr && n.control->focusPolicy() != Qt::NoFocus && n.name == nullptr)
            n.caption->setBuddy(n.control);
        if (n.description != nullptr)
            n.control->setAccessibleDescription(utf8(n.description));
    }
    // The title bar stays empty; the reader still names the window.
    w.setAccessibleName(QStringLiteral("Retenciones"));
    followTableChanges(w.Grilla);
    followRows(w);
    followAgent(w);
    w.Grilla->installEventFilter(new GridCount(w));
}

QString rowAnnouncement(const GridModel &model, int row)
{
    const QString total = QStringLiteral("Total Retenciones %1").arg(TrimBlanks(model.totalText()));
    const QString number = TrimBlanks(model.cell(row, RowNumberColumn));
    if (model.isDeleted(row))
        return QStringLiteral("Renglón %1 borrado. %2").arg(number, total);
    if (!model.isOccupied(row))
        return QString();
    const Withholding added = model.withholding(row);
    return QStringLiteral("Renglón %1 agregado: comprobante %2, importe retención %3. %4")
        .arg(number, TrimBlanks(added.receipt), TrimBlanks(added.withheldAmount), total);
}

QString lastAnnouncement(const QWidget &window)
{
    const auto *notice = window.findChild<QLabel *>(QLatin1String(NoticeName), Qt::FindDirectChildrenOnly);
    return notice != nullptr ? notice->accessibleName() : QString();
}

void nameControls(TF_ayuda &help)
{
    installAccessibleInterfaces();
    help.setAccessibleName(help.windowTitle());
    help.Memo1->setAccessibleName(QStringLiteral("Texto de ayuda"));
}

void nameControls(TF_Anteriores &past)
{
    installAccessibleInterfaces();
    past.lista->setAccessibleName(past.windowTitle());
    // The table is named with how many declarations it lists, as the count beside the filters
    // says once the list is read.
    auto keepCount = [&past] {
        QTimer::singleShot(0, &past, [&past] {
            past.lista->setAccessibleName(past.windowTitle() + QStringLiteral(", ") + past.cantidad->text());
        });
    };
    QObject::connect(past.model, &QAbstractItemModel::modelReset, &past, keepCount);
    QObject::connect(past.model, &QAbstractItemModel::rowsInserted, &past, keepCount);
    followTableChanges(past.lista);
}

void nameControls(QMessageBox &box)
{
    installAccessibleInterfaces();
    // The text a "Show Details..." button unfolds.
    for (QTextEdit *details : box.findChildren<QTextEdit *>())
        if (details->accessibleName().isEmpty())
            details->setAccessibleName(QStringLiteral("Details"));
}

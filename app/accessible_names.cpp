#include "app/accessible_names.h"

#include "app/masked_edit.h"
#include "app/tf_ayuda.h"
#include "app/tf_retenciones.h"
#include "common/text_helpers.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTextEdit>

namespace {
// The role a widget is announced with where its class alone gives the wrong one.
const char *const RoleProperty = "accessibleRole";

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
    const QVariant role = widget->property(RoleProperty);
    if (!role.isValid())
        return nullptr;
    if (auto *label = qobject_cast<QLabel *>(widget);
        label != nullptr && role.toInt() == QAccessible::StatusBar)
        return new StatusLineAccessible(label);
    return new QAccessibleWidget(widget, static_cast<QAccessible::Role>(role.toInt()));
}

void installRoles()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleWithRole);
        return true;
    }();
    Q_UNUSED(installed);
}

void setRole(QWidget *widget, QAccessible::Role role)
{
    widget->setProperty(RoleProperty, static_cast<int>(role));
    // With a reader present, Qt may have made the widget's interface already, with the role of
    // its class: it is made again, with this one, when next asked for.
    if (QAccessible::isActive())
        QAccessible::deleteAccessibleInterface(
            QAccessible::uniqueId(QAccessible::queryAccessibleInterface(widget)));
}

// Qt tells a reader nothing when cells change their text, so a reader that keeps what it read
// would go on reading a deleted row. One row changed (an append, a deletion) renames its cells;
// more (a reset, an import) make the reader ask for every cell again.
void followCellChanges(QTableView *grid)
{
    QObject::connect(
        grid->model(), &QAbstractItemModel::dataChanged, grid,
        [grid](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
            if (!QAccessible::isActive())
                return;
            QAccessibleInterface *table = QAccessible::queryAccessibleInterface(grid);
            if (table == nullptr || table->tableInterface() == nullptr)
                return;
            if (topLeft.row() != bottomRight.row()) {
                QAccessibleTableModelChangeEvent event(grid, QAccessibleTableModelChangeEvent::ModelReset);
                QAccessible::updateAccessibility(&event);
                return;
            }
            for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
                QAccessibleInterface *cell = table->tableInterface()->cellAt(topLeft.row(), column);
                if (cell == nullptr)
                    continue;
                QAccessibleEvent event(cell, QAccessible::NameChanged);
                QAccessible::updateAccessibility(&event);
            }
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
    installRoles();
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
        // A panel is not a label's buddy: only a control that takes the focus is.
        if (n.caption != nullptr && n.control->focusPolicy() != Qt::NoFocus)
            n.caption->setBuddy(n.control);
        if (n.description != nullptr)
            n.control->setAccessibleDescription(utf8(n.description));
    }
    // The title bar stays empty; the reader still names the window.
    w.setAccessibleName(QStringLiteral("Retenciones"));
    followCellChanges(w.Grilla);
}

void nameControls(TF_ayuda &help)
{
    help.setAccessibleName(help.windowTitle());
    help.Memo1->setAccessibleName(QStringLiteral("Texto de ayuda"));
}

void nameControls(QMessageBox &box)
{
    // The text a "Show Details..." button unfolds.
    for (QTextEdit *details : box.findChildren<QTextEdit *>())
        if (details->accessibleName().isEmpty())
            details->setAccessibleName(QStringLiteral("Details"));
}

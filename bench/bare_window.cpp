// The least a Qt Widgets window of the main window's size costs to start: a 933x650 window
// with captions, edit boxes, a button and a 500-row table, no database, no pictures, no fonts
// of its own. It reports its first paint exactly as the program does under
// RETENCIONES_STARTUP_PROBE (the monotonic clock and its CPU time, then it ends), so that
// launch_bench can start it beside the program and compare the two.
#include "app/startup_probe.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QWidget>

namespace {
class Rows : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 500; }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 6; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || index.row() != 0)
            return {};
        return QStringLiteral("0000001");
    }
};
} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.resize(933, 650);
    window.setWindowTitle(QStringLiteral(" "));
    const char *captions[] = {"Legajo", "Mes", "Año", "CUIT", "Razón Social"};
    int y = 10;
    for (const char *caption : captions) {
        auto *label = new QLabel(QString::fromUtf8(caption), &window);
        label->setGeometry(10, y, 120, 21);
        auto *edit = new QLineEdit(&window);
        edit->setGeometry(140, y, 200, 21);
        y += 28;
    }
    auto *button = new QPushButton(QStringLiteral("CONFIRMA"), &window);
    button->setGeometry(800, 10, 110, 30);
    Rows rows;
    auto *table = new QTableView(&window);
    table->setModel(&rows);
    table->setGeometry(10, 160, 913, 460);
    window.show();
    reportFirstPaintIfAsked(window);
    return application.exec();
}

#include "app/column_window.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int NoColumn = -1;
constexpr qsizetype SampleWidth = 30;
// A sheet has a few dozen columns at most; a title line of thousands of fields is no sheet to
// choose from, and the lists offer only its first ones.
constexpr int OfferedColumns = 256;
} // namespace

ColumnWindow::ColumnWindow(const QStringList &titles, const QStringList &firstRecord,
                           const ColumnChoice &proposed, QWidget *parent)
    : QDialog(parent), columns_(titles.size())
{
    setWindowTitle(QStringLiteral("Columnas de la planilla"));
    setObjectName(QStringLiteral("ColumnWindow"));
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(QStringLiteral("Indique en qué columna de la planilla está cada dato."), this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto *form = new QFormLayout;
    for (int f = 0; f < SheetFieldCount; ++f) {
        const auto field = static_cast<SheetField>(f);
        auto *box = new QComboBox(this);
        box->setObjectName(QStringLiteral("columna%1").arg(f));
        box->addItem(f < NeededFields ? QStringLiteral("(elija una columna)") : QStringLiteral("(no tiene)"),
                     NoColumn);
        for (int c = 0; c < titles.size() && c < OfferedColumns; ++c) {
            QString item = columnLetter(c) + QStringLiteral(": ") + titles[c].simplified();
            if (c < firstRecord.size() && !firstRecord[c].isEmpty()) {
                QString sample = firstRecord[c].simplified();
                if (sample.size() > SampleWidth)
                    sample = sample.first(SampleWidth) + QStringLiteral("...");
                item += QStringLiteral("  (") + sample + QLatin1Char(')');
            }
            box->addItem(item, c);
        }
        const int chosen = proposed[f];
        box->setCurrentIndex(chosen >= 0 && chosen < box->count() - 1 ? chosen + 1 : 0);
        auto *label = new QLabel(sheetFieldName(field) + QLatin1Char(':'), this);
        label->setBuddy(box);
        form->addRow(label, box);
        boxes_[f] = box;
    }
    layout->addLayout(form);

    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("problema"));
    problem_->setWordWrap(true);
    problem_->hide();
    layout->addWidget(problem_);

    auto *buttons = new QDialogButtonBox(this);
    accept_ = buttons->addButton(QStringLiteral("Aceptar"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    accept_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    boxes_[0]->setFocus();
}

ColumnChoice ColumnWindow::choice() const
{
    ColumnChoice choice{};
    for (int f = 0; f < SheetFieldCount; ++f)
        choice[f] = boxes_[f]->currentData().toInt();
    return choice;
}

QString ColumnWindow::columnLetter(int column)
{
    QString letters;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}

void ColumnWindow::done(int result)
{
    if (result == QDialog::Accepted) {
        const ColumnChoice chosen = choice();
        QString why;
        int wrong = 0;
        for (int f = 0; f < SheetFieldCount && why.isEmpty(); ++f) {
            wrong = f;
            if (f < NeededFields && chosen[f] == NoColumn)
                why = QStringLiteral("Falta elegir la columna de %1.")
                          .arg(sheetFieldName(static_cast<SheetField>(f)));
            for (int g = 0; g < f && why.isEmpty(); ++g) {
                if (chosen[f] != NoColumn && chosen[f] == chosen[g])
                    why = QStringLiteral("La columna %1 está elegida para %2 y para %3.")
                              .arg(columnLetter(chosen[f]), sheetFieldName(static_cast<SheetField>(g)),
                                   sheetFieldName(static_cast<SheetField>(f)));
            }
        }
        if (!why.isEmpty() || !isUsableChoice(chosen, columns_)) {
            // The window stays, with the list to mend in the focus.
            problem_->setText(why);
            problem_->show();
            boxes_[wrong]->setFocus();
            return;
        }
    }
    QDialog::done(result);
}

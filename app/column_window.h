#pragma once

#include "withholdings/sheet_columns.h"

#include <QDialog>
#include <QStringList>
#include <array>

class QComboBox;
class QLabel;
class QPushButton;

// Asks which column of a sheet holds each field, when its titles do not say it plainly. One
// list per field, offered by the sheet's column letters and titles ("C: Importe") with the
// first record's value; Tab between them, the arrows or the column's letter to choose, Enter
// to accept, Esc to give up. A choice with a field left out, or a column taken twice, is
// refused inside the window with a line saying why.
class ColumnWindow : public QDialog {
    Q_OBJECT

public:
    ColumnWindow(const QStringList &titles, const QStringList &firstRecord, const ColumnChoice &proposed,
                 QWidget *parent = nullptr);

    ColumnChoice choice() const;
    QComboBox *box(SheetField field) const { return boxes_[static_cast<int>(field)]; }
    QLabel *problem() const { return problem_; }
    QPushButton *acceptButton() const { return accept_; }

    // The letter a spreadsheet shows over the column: A to Z, then AA, AB, ...
    static QString columnLetter(int column);

    void done(int result) override;

private:
    std::array<QComboBox *, SheetFieldCount> boxes_{};
    QLabel *problem_ = nullptr;
    QPushButton *accept_ = nullptr;
    qsizetype columns_ = 0;
};

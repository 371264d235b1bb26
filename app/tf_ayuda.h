#pragma once

#include <QDialog>

class QPlainTextEdit;

// The help window: a fixed explanation of how a declaration is prepared. It is created once,
// hidden, and only ever hidden again when closed, so whatever the clerk types into the text
// stays there until the program ends.
class TF_ayuda : public QDialog {
    Q_OBJECT

public:
    explicit TF_ayuda(QWidget *parent = nullptr);

    QPlainTextEdit *Memo1;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void centreOnScreen();
};

#include "app/tf_ayuda.h"

#include "app/accessible_names.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStringList>

namespace {

// The lines keep their trailing blanks and doubled blanks: the text is shown as it was written.
const QStringList helpLines = {
    QStringLiteral("Esta Aplicación permite generar archivo de retenciones para ser "),
    QStringLiteral("presentado en la Municipalidad de Quenvara."),
    QString(),
    QStringLiteral("Usted debe ingresar primero su nro de Legajo Municipal, nro de Mes de "),
    QStringLiteral("presentacion y  Año"),
    QString(),
    QStringLiteral("Luego en forma ciclica debe ingresar los datos de las retenciones "),
    QStringLiteral("efectuadas, Cuit del comercio retenido,Razon Social,Fecha de la retención "),
    QStringLiteral("(debe ser del mismo periodo de presentación), nro de factura y el  importe de "),
    QStringLiteral("la factura . Luego debe  Oprimir el botón ADICIONA."),
    QString(),
    QStringLiteral("Cuando ingrese todas las retenciones debe Oprimir el botón "),
    QStringLiteral("CONFIRMA, y la aplicacion generara dos archivos uno txt que es el que debe "),
    QStringLiteral("presentar en el municipio y otro PDF para "),
    QStringLiteral("su control. El nombre del archivo esta formado por el  año "),
    QStringLiteral(", mes y el legajo municipal completado con ceros a la izquierda."),
    QStringLiteral("(para los meses 10,11 y 12 se completa con A,B,C)"),
    QString(),
    QStringLiteral("Importante: La separación de decimales tiene que ir punto (.) , y en la "),
    QStringLiteral("separación"),
    QStringLiteral("de miles Coma (,)"),
};

} // namespace

TF_ayuda::TF_ayuda(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("F_ayuda"));
    setWindowTitle(QStringLiteral("Ayuda"));

    // The layout is in pixels at 96 dpi and is not scaled, so the font is fixed in pixels as
    // well (8 pt at 96 dpi is 11 px); a point size would grow on a denser screen and no longer
    // fit the box.
    QFont windowFont(QStringLiteral("Tahoma"));
    windowFont.setPixelSize(11);
    setFont(windowFont);

    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, Qt::white);
    windowPalette.setColor(QPalette::WindowText, Qt::black);
    setPalette(windowPalette);
    setAutoFillBackground(true);

    // No layout: the box keeps its place and size however the window is resized.
    resize(518, 382);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(80, 72, 385, 233);
    QPalette memoPalette = Memo1->palette();
    memoPalette.setColor(QPalette::Base, QColor(0xE1, 0xED, 0xFB));
    memoPalette.setColor(QPalette::Text, Qt::black);
    Memo1->setPalette(memoPalette);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Tab moves between tab stops rather than typing a tab character; see eventFilter.
    Memo1->setTabChangesFocus(true);
    Memo1->installEventFilter(this);
    Memo1->setFocusPolicy(Qt::StrongFocus);
    Memo1->setPlainText(helpLines.join(QLatin1Char('\n')));
    Memo1->setFocus();
    nameControls(*this);
}

void TF_ayuda::showEvent(QShowEvent *event)
{
    centreOnScreen();
    QDialog::showEvent(event);
}

void TF_ayuda::keyPressEvent(QKeyEvent *event)
{
    // The window closes by its close button or system menu only; Esc must not dismiss it
    // while the clerk is reading or typing.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TF_ayuda::eventFilter(QObject *watched, QEvent *event)
{
    // The box is the window's only tab stop, so Tab has nowhere to go: the focus stays and the
    // text is left alone. Qt would otherwise fall back to typing the tab into the text.
    if (watched == Memo1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            focusNextPrevChild(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TF_ayuda::centreOnScreen()
{
    // Centred on the screen itself, not over the main window, every time it is shown. The
    // frame is known only once the window has been on screen; before that the client area is
    // centred.
    const QScreen *target = screen();
    if (target == nullptr)
        return;
    const QRect area = target->geometry();
    const QSize outer = frameGeometry().size();
    move(area.left() + (area.width() - outer.width()) / 2, area.top() + (area.height() - outer.height()) / 2);
}

#include "app/masked_edit.h"

#include <QKeyEvent>
#include <QMouseEvent>

EditMask EditMask::parse(const QString &mask)
{
    EditMask result;
    // The mask part ends at the first ";" that no "\" protects.
    qsizetype i = 0;
    for (; i < mask.size(); ++i) {
        const QChar c = mask.at(i);
        if (c == QLatin1Char(';'))
            break;
        if (c == QLatin1Char('\\') && i + 1 < mask.size()) {
            result.positions.append({mask.at(++i), false});
        } else if (c == QLatin1Char('!')) {
            result.leadingBlanks = true;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('9')) {
            result.positions.append({QChar(), c == QLatin1Char('0')});
        } else {
            result.positions.append({c, false});
        }
    }
    const QStringList rest = mask.mid(i + 1).split(QLatin1Char(';'));
    if (i < mask.size() && !rest.value(0).isEmpty())
        result.saveLiterals = rest.value(0) != QLatin1String("0");
    if (rest.size() > 1 && !rest.at(1).isEmpty())
        result.blank = rest.at(1).at(0);
    return result;
}

QString EditMask::qtInputMask() const
{
    if (isEmpty())
        return {};
    static const QString special = QStringLiteral("AaNnXx90Dd#HhBb><!;[]{}\\");
    QString qt;
    for (const Position &p : positions) {
        if (p.isDigit()) {
            // Completeness is judged here, not by Qt: every digit position may stay blank.
            qt += QLatin1Char('0');
        } else {
            if (special.contains(p.literal))
                qt += QLatin1Char('\\');
            qt += p.literal;
        }
    }
    return qt + QLatin1Char(';') + blank;
}

QString EditMask::value(const QString &shown) const
{
    QString result;
    for (qsizetype i = 0; i < positions.size(); ++i) {
        const QChar c = i < shown.size() ? shown.at(i) : blank;
        if (positions.at(i).isDigit())
            result += c == blank ? QLatin1Char(' ') : c;
        else if (saveLiterals)
            result += positions.at(i).literal;
    }
    if (leadingBlanks) {
        qsizetype start = 0;
        while (start < result.size() && result.at(start) == QLatin1Char(' '))
            ++start;
        result.remove(0, start);
    } else {
        qsizetype end = result.size();
        while (end > 0 && result.at(end - 1) == QLatin1Char(' '))
            --end;
        result.truncate(end);
    }
    return result;
}

bool EditMask::isComplete(const QString &shown) const
{
    for (qsizetype i = 0; i < positions.size(); ++i) {
        if (!positions.at(i).required)
            continue;
        if (i >= shown.size() || shown.at(i) == blank || shown.at(i) == QLatin1Char(' '))
            return false;
    }
    return true;
}

bool EditMask::isBlank(const QString &shown) const
{
    for (qsizetype i = 0; i < positions.size() && i < shown.size(); ++i) {
        const QChar c = shown.at(i);
        if (positions.at(i).isDigit() && c != blank && c != QLatin1Char(' '))
            return false;
    }
    return true;
}

MaskedEdit::MaskedEdit(QWidget *parent) : QLineEdit(parent)
{
    // Qt leaves the cursor of an emptied box after its last blank, where nothing can be typed:
    // the next CUIT typed after ADICIONA would be lost. An emptied box starts at its first
    // position, as an edit box does once its text is set.
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (isMasked() && value().isEmpty())
            setCursorPosition(0);
    });
}

void MaskedEdit::setEditMask(const QString &mask)
{
    maskText_ = mask;
    mask_ = EditMask::parse(mask);
    setInputMask(mask_.qtInputMask());
}

QString MaskedEdit::value() const
{
    return isMasked() ? mask_.value(displayText()) : text();
}

bool MaskedEdit::isComplete() const
{
    return !isMasked() || mask_.isComplete(displayText());
}

bool MaskedEdit::event(QEvent *event)
{
    // Claiming Escape here keeps the window's cancel button from taking it.
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier && keepsEscape()) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void MaskedEdit::mousePressEvent(QMouseEvent *event)
{
    QLineEdit::mousePressEvent(event);
    // A click puts the cursor where it lands, and typing goes on from there; in a box with
    // nothing typed yet that would fill the end of the mask and leave the start blank.
    if (isMasked() && event->button() == Qt::LeftButton && mask_.isBlank(displayText()))
        setCursorPosition(0);
}

void MaskedEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    // A box that was never typed into keeps its cursor after the last blank, where the first
    // digit typed would be lost: with nothing typed, typing starts at the first position.
    if (isMasked() && mask_.isBlank(displayText()))
        setCursorPosition(0);
}

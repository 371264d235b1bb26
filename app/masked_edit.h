#pragma once

#include <QLineEdit>
#include <QList>

// An edit mask in the notation of the layout: "mask;save literals;blank character", where in
// the mask "0" is a required digit, "9" an optional digit, "\" makes the next character a
// literal, "!" keeps optional blanks at the front of the value, and anything else is a literal.
struct EditMask {
    struct Position {
        QChar literal; // null for a digit position
        bool required = false;
        bool isDigit() const { return literal.isNull(); }
    };

    QList<Position> positions;
    bool saveLiterals = true;
    bool leadingBlanks = false;
    QChar blank = QLatin1Char('_');

    static EditMask parse(const QString &mask);
    bool isEmpty() const { return positions.isEmpty(); }
    // The same mask in Qt's input-mask notation, which only drives the typing.
    QString qtInputMask() const;
    // The value of a shown text: typed characters (and literals when saved), untyped
    // positions as blanks; the blanks on the side the mask keeps them are dropped.
    QString value(const QString &shown) const;
    // True when every required position of the shown text holds a character.
    bool isComplete(const QString &shown) const;
    // True when no digit position of the shown text holds a character.
    bool isBlank(const QString &shown) const;
};

// Edit box with an optional edit mask. Typed into and left with a required digit missing, it
// refuses to lose the focus (the window's focus tracker asks it), and it keeps Escape for
// itself once its text has been changed.
class MaskedEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit MaskedEdit(QWidget *parent = nullptr);

    void setEditMask(const QString &mask);
    const QString &editMask() const { return maskText_; }
    bool isMasked() const { return !mask_.isEmpty(); }

    // Text without the literals the mask does not save; the text itself without a mask.
    QString value() const;
    bool isComplete() const;
    bool acceptsLeaving() const { return !isMasked() || !isModified() || isComplete(); }
    bool keepsEscape() const { return isMasked() && isModified(); }

protected:
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    QString maskText_;
    EditMask mask_;
};

#pragma once

#include <QValidator>

// Turns the text of an edit box to upper case, whether typed or written by the program,
// letter by letter so that its length never changes.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
};

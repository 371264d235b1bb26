#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <exception>

// Every error the program raises carries the exact text the clerk sees.
class AppError : public std::exception {
public:
    explicit AppError(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString &message() const noexcept { return message_; }
    const char *what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

class ConversionError : public AppError {
public:
    using AppError::AppError;
};

class IoError : public AppError {
public:
    explicit IoError(int code);
    int code() const noexcept { return code_; }

private:
    int code_;
};

class ArithmeticError : public AppError {
public:
    using AppError::AppError;
};

class DatabaseError : public AppError {
public:
    // `codes`: the database's error numbers (isc_...) in the order it gave them, when known.
    explicit DatabaseError(QString message, QList<long> codes = {})
        : AppError(std::move(message)), codes_(std::move(codes))
    {
    }
    const QList<long> &codes() const noexcept { return codes_; }
    bool hasCode(long code) const noexcept { return codes_.contains(code); }

private:
    QList<long> codes_;
};

class ReportError : public AppError {
public:
    using AppError::AppError;
};

// A file or folder the program keeps or reads back that it cannot use; the message says in
// Spanish what happened and what was left as it was.
class FileError : public AppError {
public:
    using AppError::AppError;
};

// What a system error number (errno) means, in Spanish words for the clerk's messages.
QString systemErrorText(int error);

// Text of the default error box: the message, plus "." when its last character is
// above code 46 (letters, digits, "?", ":"), as the clerk's desktop shows it.
QString DefaultErrorBoxText(const QString &message);

// Title of the default error box: the program file's name without folder, cut before
// its first "." and lower case after the first character.
QString ApplicationTitle(const QString &programFilePath);

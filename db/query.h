#pragma once

#include <QString>

#include <memory>

class Transaction;

// One statement at a time on a transaction, with named parameters (":name", matched
// without regard to case) and, for a select, its rows read one after the other.
// Before running, the transaction is started and its connection opened when they are not.
// Every failure of the database raises DatabaseError with the client's text.
class Query {
public:
    explicit Query(Transaction &transaction);
    ~Query();
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;

    // Replaces the statement: closes an open result and forgets the parameter values
    // (unassigned parameters go as NULL).
    void setSql(const QString &sql);
    const QString &sql() const { return sql_; }

    // Assigns every parameter of that name. Texts go as single bytes of the system code
    // page; the database converts them to the column's type and refuses what does not fit.
    void setText(const QString &name, const QString &value);
    // A text that may hold any character (a folder's name): it goes as UTF-8, for a column of
    // that character set.
    void setUnicodeText(const QString &name, const QString &value);
    void setDouble(const QString &name, double value);
    void setNull(const QString &name);

    // Runs a statement whose result, if any, is not wanted.
    void execute();
    // The rows the last statement run inserted, updated or deleted.
    quint64 rowsAffected() const;
    // Runs the statement and makes its rows available to next(); a statement that
    // selects nothing simply runs and has no rows.
    void open();
    bool isActive() const;
    // Closes the result; never fails.
    void close() noexcept;

    // Moves to the next row; false after the last one.
    bool next();

    int fieldCount() const;
    QString fieldName(int field) const;
    // -1 when the result has no such field; names match without regard to case.
    int fieldIndex(const QString &name) const;

    // The current row as the engine gave it. Made current again by showRow() while the query
    // keeps its statement, it reads as it did then: the rows a statement returned can be kept
    // and read later without asking the engine for them again.
    QByteArray rowBytes() const;
    // Makes a row taken by rowBytes() of this statement the current one.
    void showRow(const QByteArray &row);

    // Values of the current row. A NULL reads as an empty text and as 0.
    bool isNull(int field) const;
    QString text(int field) const;
    // A text field's bytes as the engine gave them (a CHAR with its blanks), to be compared
    // without converting them; empty for a NULL. Valid while the row is the current one.
    QByteArrayView textBytes(int field) const;
    // A text field holding no number raises ConversionError.
    double number(int field) const;

private:
    struct Private;
    QString sql_;
    std::unique_ptr<Private> d_;
};

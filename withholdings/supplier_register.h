#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <vector>

// A supplier as the register knows it: its CUIT as the declaration writes it (20-12345678-6) and
// the company name of its latest declaration, exactly as declared.
struct Supplier {
    QString cuit;
    QString name;
};

// The text a completion is matched on: upper case, accents and other marks taken off, so that
// "ñandu", "ÑANDÚ" and "NANDU" are one.
QString searchKey(const QString &text);

// The suppliers the clerk has declared, held in memory for the window: a name by CUIT, and the
// suppliers whose name starts with or contains what the clerk types. Rows without a CUIT or with
// a blank name are never taken in. Every call comes from one thread.
class SupplierRegister {
public:
    // Adds the supplier, or gives a known CUIT this name: the latest one learned wins.
    void learn(const QString &cuit, const QString &name);
    // The same for a CUIT not known yet; a known one keeps its name (one learned this session is
    // newer than the table's).
    void learnIfNew(const QString &cuit, const QString &name);
    int size() const { return int(suppliers_.size()); }

    // The registered name, or nothing.
    QString nameOf(const QString &cuit) const;

    // At most `limit` suppliers for the text typed so far: those whose name starts with it first,
    // then those that contain it, each group in alphabetical order; nothing for a blank text.
    QList<Supplier> complete(const QString &typed, int limit = 12) const;

private:
    // The search text of every name, one line each, in alphabetical order; rebuilt at the first
    // completion after a change.
    void index() const;

    std::vector<Supplier> suppliers_;
    QHash<QString, int> byCuit_;
    mutable bool indexed_ = false;
    mutable QByteArray keys_;               // "KEY\nKEY\n..." in the order of order_
    mutable std::vector<qsizetype> starts_; // where each key begins in keys_
    mutable std::vector<int> order_;        // suppliers_ indexes, alphabetical by key
};

// What a list of withholdings teaches the register: each CUIT once, in the order of its first
// row, with the last non-blank name its rows give and how many rows it has. Rows without a
// CUIT, and CUITs that never come with a name, teach nothing.
struct SupplierCount {
    QString cuit;
    QString name;
    int withholdings = 0;
};
struct Withholding;
QList<SupplierCount> supplierCounts(const QList<Withholding> &rows);

// The period as the register keeps it: YYYY-MM.
QString registerPeriod(int year, int month);

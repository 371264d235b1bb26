#include "withholdings/supplier_register.h"

#include "withholdings/withholding.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

QString searchKey(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString key;
    key.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.isMark())
            continue;
        key += c.toUpper();
    }
    return key.simplified();
}

void SupplierRegister::learn(const QString &cuit, const QString &name)
{
    const QString id = cuit.trimmed();
    if (id.isEmpty() || name.trimmed().isEmpty())
        return;
    const auto known = byCuit_.constFind(id);
    if (known != byCuit_.constEnd()) {
        Supplier &s = suppliers_[std::size_t(*known)];
        if (s.name == name)
            return;
        s.name = name;
    } else {
        byCuit_.insert(id, int(suppliers_.size()));
        suppliers_.push_back({id, name});
    }
    indexed_ = false;
}

void SupplierRegister::learnIfNew(const QString &cuit, const QString &name)
{
    if (!byCuit_.contains(cuit.trimmed()))
        learn(cuit, name);
}

QString SupplierRegister::nameOf(const QString &cuit) const
{
    const auto known = byCuit_.constFind(cuit.trimmed());
    return known == byCuit_.constEnd() ? QString() : suppliers_[std::size_t(*known)].name;
}

void SupplierRegister::index() const
{
    if (indexed_)
        return;
    std::vector<std::pair<QByteArray, int>> keyed;
    keyed.reserve(suppliers_.size());
    for (std::size_t i = 0; i < suppliers_.size(); ++i)
        keyed.emplace_back(searchKey(suppliers_[i].name).toUtf8(), int(i));
    std::sort(keyed.begin(), keyed.end());
    keys_.clear();
    starts_.clear();
    order_.clear();
    for (const auto &[key, i] : keyed) {
        starts_.push_back(keys_.size());
        order_.push_back(i);
        keys_ += key;
        keys_ += '\n';
    }
    starts_.push_back(keys_.size());
    indexed_ = true;
}

QList<Supplier> SupplierRegister::complete(const QString &typed, int limit) const
{
    const QByteArray needle = searchKey(typed).toUtf8();
    if (needle.isEmpty() || limit <= 0)
        return {};
    index();
    const char *const keys = keys_.constData();
    const std::size_t length = std::size_t(keys_.size());
    const std::size_t entries = order_.size();
    const std::string_view text(needle.constData(), std::size_t(needle.size()));
    auto key = [&](std::size_t e) {
        return std::string_view(keys + starts_[e], std::size_t(starts_[e + 1] - starts_[e] - 1));
    };
    QList<Supplier> found;
    // The keys are sorted: those that start with the text stand together, from the first key
    // that is not less than it.
    std::size_t e = 0;
    for (std::size_t past = entries; e < past;) {
        const std::size_t middle = e + (past - e) / 2;
        if (key(middle) < text)
            e = middle + 1;
        else
            past = middle;
    }
    for (; e < entries && key(e).substr(0, text.size()) == text && found.size() < limit; ++e)
        found << suppliers_[std::size_t(order_[e])];
    // Then those that hold it further in, in one pass that ends once the list is full.
    std::size_t from = 0;
    while (found.size() < limit && from < length) {
        // The C library's search skips ahead by more than a byte at a time.
        const void *hit = ::memmem(keys + from, length - from, needle.constData(), text.size());
        if (!hit)
            break;
        const qsizetype at = static_cast<const char *>(hit) - keys;
        // (The text holds no line break, so a match never runs into the next key.)
        const auto next = std::upper_bound(starts_.begin(), starts_.end(), at);
        const std::size_t entry = std::size_t(next - starts_.begin()) - 1;
        if (at != starts_[entry])
            found << suppliers_[std::size_t(order_[entry])];
        from = std::size_t(*next);
    }
    return found;
}

QList<SupplierCount> supplierCounts(const QList<Withholding> &rows)
{
    QList<SupplierCount> counts;
    // The row that last gave each supplier a name: only that name is trimmed and kept.
    std::vector<const Withholding *> named;
    QHash<QString, qsizetype> at;
    for (const Withholding &row : rows) {
        const QStringView cuitView = QStringView(row.supplierCuit).trimmed();
        if (cuitView.isEmpty())
            continue;
        // A CUIT with nothing to trim is shared, not copied.
        const QString cuit =
            cuitView.size() == row.supplierCuit.size() ? row.supplierCuit : cuitView.toString();
        auto found = at.constFind(cuit);
        if (found == at.constEnd()) {
            found = at.insert(cuit, counts.size());
            counts.append({cuit, {}, 0});
            named.push_back(nullptr);
        }
        ++counts[*found].withholdings;
        if (!QStringView(row.companyName).trimmed().isEmpty())
            named[std::size_t(*found)] = &row;
    }
    for (qsizetype i = 0; i < counts.size(); ++i) {
        if (const Withholding *row = named[std::size_t(i)])
            counts[i].name = row->companyName.trimmed();
    }
    counts.removeIf([](const SupplierCount &c) { return c.name.isEmpty(); });
    return counts;
}

QString registerPeriod(int year, int month)
{
    return QStringLiteral("%1-%2").arg(year, 4, 10, QLatin1Char('0')).arg(month, 2, 10, QLatin1Char('0'));
}

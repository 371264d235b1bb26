#include "withholdings/supplier_register.h"

#include "withholdings/withholding.h"

#include <algorithm>
#include <string_view>

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
    // One pass over all the keys: each one that holds the text is a prefix or a contained
    // match; the pass ends early once the prefixes alone fill the list.
    const std::string_view keys(keys_.constData(), std::size_t(keys_.size()));
    const std::string_view text(needle.constData(), std::size_t(needle.size()));
    std::vector<int> prefixes, contained;
    std::size_t from = 0;
    while (int(prefixes.size()) < limit) {
        const std::size_t at = keys.find(text, from);
        if (at == std::string_view::npos)
            break;
        // The key the match lies in.
        // (The text holds no line break, so a match never runs into the next key.)
        const auto next = std::upper_bound(starts_.begin(), starts_.end(), qsizetype(at));
        const std::size_t entry = std::size_t(next - starts_.begin()) - 1;
        if (qsizetype(at) == starts_[entry])
            prefixes.push_back(order_[entry]);
        else if (int(contained.size()) < limit)
            contained.push_back(order_[entry]);
        from = std::size_t(*next);
    }
    QList<Supplier> found;
    for (const std::vector<int> *group : {&prefixes, &contained})
        for (int i : *group) {
            if (found.size() == limit)
                return found;
            found << suppliers_[std::size_t(i)];
        }
    return found;
}

QList<SupplierCount> supplierCounts(const QList<Withholding> &rows)
{
    QList<SupplierCount> counts;
    QHash<QString, qsizetype> at;
    for (const Withholding &row : rows) {
        const QString cuit = row.supplierCuit.trimmed();
        if (cuit.isEmpty())
            continue;
        auto found = at.constFind(cuit);
        if (found == at.constEnd()) {
            found = at.insert(cuit, counts.size());
            counts.append({cuit, {}, 0});
        }
        SupplierCount &c = counts[*found];
        ++c.withholdings;
        const QString name = row.companyName.trimmed();
        if (!name.isEmpty())
            c.name = name;
    }
    counts.removeIf([](const SupplierCount &c) { return c.name.isEmpty(); });
    return counts;
}

QString registerPeriod(int year, int month)
{
    return QStringLiteral("%1-%2").arg(year, 4, 10, QLatin1Char('0')).arg(month, 2, 10, QLatin1Char('0'));
}

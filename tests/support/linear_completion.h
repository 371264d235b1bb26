#pragma once

// The completion list found the slow, obvious way: every name looked at, one by one. The tests
// and the register's benchmark hold the indexed search to it.
#include "withholdings/supplier_register.h"

#include <QHash>
#include <QList>
#include <QString>

#include <algorithm>
#include <vector>

// Every supplier in the order it was first learned, with its latest name and that name's search
// text.
class LinearCompletion {
public:
    void learn(const QString &cuit, const QString &name)
    {
        if (const auto known = at_.constFind(cuit); known != at_.constEnd()) {
            suppliers_[*known].name = name;
            keys_[*known] = searchKey(name);
            return;
        }
        at_.insert(cuit, suppliers_.size());
        suppliers_.push_back({cuit, name});
        keys_.push_back(searchKey(name));
    }

    QList<Supplier> complete(const QString &typed, int limit) const
    {
        const QString needle = searchKey(typed);
        if (needle.isEmpty() || limit <= 0)
            return {};
        std::vector<std::size_t> starting, containing;
        for (std::size_t i = 0; i < suppliers_.size(); ++i) {
            if (keys_[i].startsWith(needle))
                starting.push_back(i);
            else if (keys_[i].contains(needle))
                containing.push_back(i);
        }
        QList<Supplier> found;
        for (auto *group : {&starting, &containing}) {
            std::stable_sort(group->begin(), group->end(),
                             [&](std::size_t a, std::size_t b) { return keys_[a] < keys_[b]; });
            for (const std::size_t i : *group)
                if (found.size() < limit)
                    found << suppliers_[i];
        }
        return found;
    }

private:
    std::vector<Supplier> suppliers_;
    std::vector<QString> keys_;
    QHash<QString, std::size_t> at_;
};

// The two lists name the same suppliers in the same order.
inline bool sameSuppliers(const QList<Supplier> &a, const QList<Supplier> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Supplier &x, const Supplier &y) {
        return x.cuit == y.cuit && x.name == y.name;
    });
}

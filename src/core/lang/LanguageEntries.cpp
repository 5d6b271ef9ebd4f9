#include "lang/LanguageEntries.h"

#include <algorithm>

LanguageEntries LanguageEntries::FromLines(const QStringList& lines) {
    LanguageEntries result;
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 1 || line.startsWith(u';'))
            continue;
        result.entries_.emplace_back(line.left(eq).trimmed().left(kMaxLength).toUpper(),
                                     line.mid(eq + 1).left(kMaxLength));
    }
    std::stable_sort(result.entries_.begin(), result.entries_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    const auto dup = std::unique(result.entries_.begin(), result.entries_.end(),
                                 [](const auto& a, const auto& b) { return a.first == b.first; });
    result.entries_.erase(dup, result.entries_.end());
    return result;
}

const QString* LanguageEntries::find(const QString& key) const {
    const QString upper = key.toUpper();
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), upper,
                                     [](const auto& e, const QString& k) { return e.first < k; });
    return it != entries_.end() && it->first == upper ? &it->second : nullptr;
}

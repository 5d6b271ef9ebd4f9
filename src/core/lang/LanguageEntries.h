#pragma once

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// The entries of one section of a language file, sorted by upper-cased key and
// looked up by bisection. A line counts when it has "=" at its second position or
// later and does not begin with ";"; keys and values are cut to 192 characters;
// of two equal keys the first one wins.
class LanguageEntries {
public:
    static constexpr int kMaxLength = 192;

    static LanguageEntries FromLines(const QStringList& lines);

    bool isEmpty() const { return entries_.empty(); }
    // The value of a key, compared without regard to case; nullptr when missing.
    const QString* find(const QString& key) const;

private:
    std::vector<std::pair<QString, QString>> entries_;
};

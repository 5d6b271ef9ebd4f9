#include "settings/IniDocument.h"

#include <QLocale>
#include <QMap>

#include <algorithm>
#include <cctype>

namespace {

// A section header line gives its name; any other line gives no name.
bool headerName(const QByteArray& line, QString* name) {
    // Most lines are entries: they are told apart without a copy.
    qsizetype first = 0;
    while (first < line.size() && std::isspace(uchar(line[first])))
        ++first;
    if (first >= line.size() || line[first] != '[')
        return false;
    const QByteArray t = line.trimmed();
    if (t.size() < 2 || t.front() != '[')
        return false;
    const qsizetype close = t.indexOf(']');
    if (close < 0)
        return false;
    *name = QString::fromUtf8(t.mid(1, close - 1)).trimmed();
    return true;
}

// "key=value" lines give their trimmed key and value; comments and lines without
// "=" are no entries.
bool entry(const QByteArray& line, QString* key, QString* value) {
    const QString text = QString::fromUtf8(line);
    const qsizetype eq = text.indexOf(u'=');
    if (eq < 0 || text.startsWith(u';'))
        return false;
    *key = text.left(eq).trimmed();
    if (key->isEmpty())
        return false;
    if (value)
        *value = text.mid(eq + 1).trimmed();
    return true;
}

// A key of ASCII letters, digits and punctuation is matched on the bytes of each line
// without decoding it; other keys give an empty text and are matched as text.
QByteArray asciiKey(const QString& key) {
    for (const QChar c : key)
        if (c.unicode() < 0x21 || c.unicode() > 0x7E || c == u'=')
            return QByteArray();
    return key.toLatin1();
}

bool hasAsciiKey(const QByteArray& line, const QByteArray& key) {
    if (line.startsWith(';'))
        return false;
    qsizetype at = 0;
    while (at < line.size() && std::isspace(uchar(line[at])))
        ++at;
    if (line.size() - at < key.size() ||
        qstrnicmp(line.constData() + at, key.constData(), key.size()) != 0)
        return false;
    at += key.size();
    while (at < line.size() && std::isspace(uchar(line[at])))
        ++at;
    return at < line.size() && line[at] == '=';
}

bool same(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

IniDocument IniDocument::parse(const QByteArray& data) {
    IniDocument doc;
    QByteArray text = data;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    doc.crlf_ = text.contains("\r\n");
    doc.lines_ = text.split('\n');
    if (!doc.lines_.isEmpty() && doc.lines_.back().isEmpty())
        doc.lines_.removeLast();
    for (QByteArray& line : doc.lines_)
        if (line.endsWith('\r'))
            line.chop(1);
    return doc;
}

QByteArray IniDocument::serialize() const {
    const QByteArray eol = crlf_ ? "\r\n" : "\n";
    QByteArray out;
    for (const QByteArray& line : lines_)
        out += line + eol;
    return out;
}

IniDocument::Span IniDocument::findSection(const QString& section) const {
    Span span;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        QString name;
        if (!headerName(lines_[i], &name))
            continue;
        if (span.header >= 0)
            return {span.header, i};
        if (same(name, section))
            span.header = i;
    }
    if (span.header >= 0)
        span.end = lines_.size();
    return span;
}

qsizetype IniDocument::findKey(const Span& span, const QString& key) const {
    const QByteArray ascii = asciiKey(key);
    for (qsizetype i = span.header + 1; span.header >= 0 && i < span.end; ++i) {
        QString k;
        if (ascii.isEmpty() ? entry(lines_[i], &k, nullptr) && same(k, key)
                            : hasAsciiKey(lines_[i], ascii))
            return i;
    }
    return -1;
}

QStringList IniDocument::sections() const {
    QStringList names;
    for (const QByteArray& line : lines_) {
        QString name;
        if (headerName(line, &name))
            names << name;
    }
    return names;
}

QStringList IniDocument::keys(const QString& section) const {
    QStringList names;
    const Span span = findSection(section);
    for (qsizetype i = span.header + 1; span.header >= 0 && i < span.end; ++i) {
        QString k;
        if (entry(lines_[i], &k, nullptr))
            names << k;
    }
    return names;
}

QStringList IniDocument::sectionLines(const QString& section) const {
    QStringList out;
    const Span span = findSection(section);
    for (qsizetype i = span.header + 1; span.header >= 0 && i < span.end; ++i)
        out << QString::fromUtf8(lines_[i]);
    return out;
}

bool IniDocument::hasKey(const QString& section, const QString& key) const {
    return findKey(findSection(section), key) >= 0;
}

QString IniDocument::readString(const QString& section, const QString& key,
                                const QString& def) const {
    const qsizetype i = findKey(findSection(section), key);
    QString k, v;
    if (i < 0 || !entry(lines_[i], &k, &v))
        return def;
    return v;
}

int IniDocument::readInteger(const QString& section, const QString& key, int def) const {
    int value = def;
    return IniValue::toInteger(readString(section, key, QString()), &value) ? value : def;
}

bool IniDocument::readBool(const QString& section, const QString& key, bool def) const {
    return readInteger(section, key, def ? 1 : 0) != 0;
}

double IniDocument::readFloat(const QString& section, const QString& key, double def) const {
    double value = def;
    return IniValue::toFloat(readString(section, key, QString()), &value) ? value : def;
}

void IniDocument::writeString(const QString& section, const QString& key, const QString& value) {
    writeStrings({{section, key, value}});
}

QHash<QString, IniDocument::Span> IniDocument::sectionSpans() const {
    QHash<QString, Span> spans;
    QString open; // the section being swept, when it is the first of its name
    bool first = false;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        QString name;
        if (!headerName(lines_[i], &name))
            continue;
        if (first)
            spans[open].end = i;
        open = name.toCaseFolded();
        first = !spans.contains(open);
        if (first)
            spans.insert(open, {i, lines_.size()});
    }
    return spans;
}

void IniDocument::writeStrings(const QList<Assignment>& values) {
    QHash<QString, Span> spans = sectionSpans();
    QMap<qsizetype, QList<QByteArray>> added; // new lines, by the line they go before
    QHash<QString, std::pair<qsizetype, qsizetype>> addedKeys; // where each new key went
    for (const Assignment& v : values) {
        // A line break inside a value would split it into entries of its own.
        const QString clean = QString(v.value).replace(u'\r', u' ').replace(u'\n', u' ');
        const QByteArray line = (v.key + u'=' + clean).toUtf8();
        const QString folded = v.section.toCaseFolded();
        if (!spans.contains(folded)) {
            // Appended sections move no line that a queued insertion refers to.
            lines_ << ('[' + v.section.toUtf8() + ']');
            spans.insert(folded, {lines_.size() - 1, lines_.size()});
        }
        const Span span = spans.value(folded);
        if (const qsizetype i = findKey(span, v.key); i >= 0) {
            QString existing;
            entry(lines_[i], &existing, nullptr);
            lines_[i] = (existing + u'=' + clean).toUtf8();
            continue;
        }
        const QString id = folded + u'\n' + v.key.toCaseFolded();
        if (const auto known = addedKeys.constFind(id); known != addedKeys.cend()) {
            added[known->first][known->second] = line;
            continue;
        }
        // New keys go after the section's last entry, before trailing blank lines.
        qsizetype at = span.end;
        while (at > span.header + 1 && lines_[at - 1].trimmed().isEmpty())
            --at;
        added[at] << line;
        addedKeys.insert(id, {at, added[at].size() - 1});
    }
    insertLines(added);
}

void IniDocument::insertLines(const QMap<qsizetype, QList<QByteArray>>& added) {
    if (added.isEmpty())
        return;
    QList<QByteArray> out;
    out.reserve(lines_.size() + added.size());
    auto next = added.cbegin();
    for (qsizetype i = 0; i <= lines_.size(); ++i) {
        for (; next != added.cend() && next.key() == i; ++next)
            out << next.value();
        if (i < lines_.size())
            out << std::move(lines_[i]);
    }
    lines_ = std::move(out);
}

void IniDocument::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void IniDocument::writeBool(const QString& section, const QString& key, bool value) {
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniDocument::writeFloat(const QString& section, const QString& key, double value) {
    writeString(section, key, IniValue::fromFloat(value));
}

bool IniDocument::deleteKey(const QString& section, const QString& key) {
    const qsizetype i = findKey(findSection(section), key);
    if (i < 0)
        return false;
    lines_.removeAt(i);
    return true;
}

bool IniDocument::eraseSection(const QString& section) {
    const Span span = findSection(section);
    if (span.header < 0)
        return false;
    lines_.remove(span.header, span.end - span.header);
    return true;
}

QList<IniDocument::Entry> IniDocument::entries() const {
    QList<Entry> out;
    qsizetype section = -1;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const QByteArray& line = lines_[i];
        QString name;
        if (headerName(line, &name)) {
            ++section;
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0 || line.startsWith(';'))
            continue;
        QByteArray key = line.left(eq).trimmed();
        if (!key.isEmpty())
            out.append({i, section, std::move(key), line.mid(eq + 1).trimmed()});
    }
    return out;
}

void IniDocument::removeLines(QList<qsizetype> lines) {
    std::sort(lines.begin(), lines.end());
    qsizetype next = 0;
    qsizetype kept = 0;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        while (next < lines.size() && lines[next] < i)
            ++next;
        if (next < lines.size() && lines[next] == i)
            continue;
        if (kept != i)
            lines_[kept] = std::move(lines_[i]);
        ++kept;
    }
    lines_.resize(kept);
}

bool IniValue::toInteger(const QString& text, int* value) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (ok)
        *value = v;
    return ok;
}

bool IniValue::toFloat(const QString& text, double* value) {
    // Files travel between locales: either decimal separator is accepted.
    QString t = text.trimmed();
    t.replace(u',', u'.');
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (ok)
        *value = v;
    return ok;
}

QString IniValue::fromFloat(double value) {
    // Plain digits with the locale's decimal separator when it is "." or ",": locales
    // with digits of their own would write what no reader can parse.
    QString text = QLocale::c().toString(value, 'g', QLocale::FloatingPointShortest);
    if (QLocale().decimalPoint() == QLatin1String(","))
        text.replace(u'.', u',');
    return text;
}

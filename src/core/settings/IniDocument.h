#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// The parsed contents of one INI file, with the semantics of the Windows profile
// functions: section names and keys are matched without regard to case, the first
// match wins, a missing section or key yields the caller's default. Lines are kept
// as read, so rewriting the file changes only the lines that were edited.
class IniDocument {
public:
    static IniDocument parse(const QByteArray& data);
    QByteArray serialize() const;

    QStringList sections() const;
    QStringList keys(const QString& section) const;
    // Raw text lines of the first matching section, for readers with rules of their own.
    QStringList sectionLines(const QString& section) const;
    bool hasKey(const QString& section, const QString& key) const;

    QString readString(const QString& section, const QString& key, const QString& def) const;
    int readInteger(const QString& section, const QString& key, int def) const;
    bool readBool(const QString& section, const QString& key, bool def) const;
    double readFloat(const QString& section, const QString& key, double def) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    // Many writeString calls in one sweep over the lines, with the same result.
    struct Assignment {
        QString section;
        QString key;
        QString value;
    };
    void writeStrings(const QList<Assignment>& values);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);
    void writeFloat(const QString& section, const QString& key, double value);

    bool deleteKey(const QString& section, const QString& key);
    bool eraseSection(const QString& section);

    // Every entry in file order, for readers that take a long file in one pass (a lookup
    // by key reads the file up to that key). Keys and values are trimmed UTF-8.
    struct Entry {
        qsizetype line = 0;
        qsizetype section = -1; // index into sections(); -1 before the first header
        QByteArray key;
        QByteArray value;
    };
    QList<Entry> entries() const;
    // Removes the entries on these lines (from entries()) in one sweep.
    void removeLines(QList<qsizetype> lines);

private:
    struct Span {
        qsizetype header = -1; // line of the "[name]" header
        qsizetype end = 0;     // one past the section's last line
    };
    Span findSection(const QString& section) const;
    qsizetype findKey(const Span& span, const QString& key) const;
    // The first section of each name (case-folded) and its lines.
    QHash<QString, Span> sectionSpans() const;
    // Puts each list of lines before the line of its key (lines_.size() for the end).
    void insertLines(const QMap<qsizetype, QList<QByteArray>>& added);

    QList<QByteArray> lines_;
    bool crlf_ = false;
};

// Number conversions shared by the INI readers: they return false on text that is
// not a number, so that the caller keeps its default.
namespace IniValue {
bool toInteger(const QString& text, int* value);
bool toFloat(const QString& text, double* value);
QString fromFloat(double value);
} // namespace IniValue

#include "stream/StreamTags.h"

#include "lang/Charset.h"

#include <QRegularExpression>

namespace {

// Delphi's Copy with 1-based start: out-of-range starts and lengths are clipped.
QByteArray copy(const QByteArray& text, qsizetype start, qsizetype count) {
    if (start < 1)
        start = 1;
    if (count <= 0 || start > text.size())
        return {};
    return text.mid(start - 1, count);
}

} // namespace

QList<QByteArray> TagTexts(const QByteArray& run) {
    QList<QByteArray> texts;
    qsizetype pos = 0;
    while (pos < run.size()) {
        const qsizetype end = run.indexOf('\0', pos);
        const QByteArray text = run.mid(pos, (end < 0 ? run.size() : end) - pos);
        if (text.isEmpty())
            break;
        texts << text;
        pos = end < 0 ? run.size() : end + 1;
    }
    return texts;
}

QByteArray TitleFromMeta(const QByteArray& meta) {
    // Metadata without quotes keeps the old cut: after "StreamTitle=" up to the
    // character before the first ";".
    const qsizetype key = meta.indexOf("StreamTitle=");
    if (key < 0)
        return {};
    if (meta.mid(key + 12, 1) != "'") {
        const qsizetype s = key + 1; // 1-based, 0 when missing
        const qsizetype e = meta.indexOf(';') + 1;
        return copy(meta, s + 13, e - s - 14);
    }
    // The quoted value ends at the first "';" that closes the whole text or starts
    // the next key, so quotes and semicolons inside the title stay.
    const qsizetype start = key + 13;
    static const QRegularExpression end(QStringLiteral("';(?=\\s*$|\\s*[A-Za-z_]+=')"));
    const QString rest = QString::fromLatin1(meta.mid(start));
    const QRegularExpressionMatch m = end.match(rest);
    return m.hasMatch() ? meta.mid(start, m.capturedStart()) : QByteArray();
}

int LeadingNumber(const QByteArray& text) {
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || value > 100000000)
            break;
        value = value * 10 + (c - '0');
    }
    return value;
}

QString UTFDecodeWhile(const QByteArray& raw) {
    if (!Charset::IsValidUtf8(raw)) {
        QString text;
        return Charset::Decode(raw, Charset::LegacyCodePage(), &text) ? text
                                                                      : QString::fromLatin1(raw);
    }
    QString text = QString::fromUtf8(raw);
    // Undo further layers while the text, taken back to single bytes, is UTF-8 again.
    for (int layer = 0; layer < 8; ++layer) {
        QString again;
        for (const char* cp : {Charset::LegacyCodePage(), "WINDOWS-1252", "ISO-8859-1"}) {
            QByteArray bytes;
            if (Charset::Encode(text, cp, &bytes) && Charset::IsValidUtf8(bytes)) {
                again = QString::fromUtf8(bytes);
                break;
            }
        }
        if (again.isEmpty() || again == text)
            break;
        text = again;
    }
    return text;
}

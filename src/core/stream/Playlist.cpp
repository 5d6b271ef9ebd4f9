#include "stream/Playlist.h"

#include <QMap>
#include <QRegularExpression>
#include <QUrl>

bool IsPlaylistUrl(const QString& url) {
    const QString path = QUrl(url.trimmed()).path().toLower();
    return path.endsWith(QLatin1String(".pls")) || path.endsWith(QLatin1String(".m3u"));
}

QStringList PlaylistEntries(const QByteArray& text, const QString& baseUrl) {
    const QUrl base(baseUrl);
    const QStringList lines =
        QString::fromUtf8(text).split(QRegularExpression(QStringLiteral("[\r\n]+")));
    const bool pls = text.toLower().contains("[playlist]");
    static const QRegularExpression fileKey(QStringLiteral("^\\s*File(\\d+)\\s*=(.*)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    QMap<int, QString> numbered;
    QStringList plain;
    for (const QString& line : lines) {
        if (pls) {
            const QRegularExpressionMatch m = fileKey.match(line);
            if (m.hasMatch())
                numbered.insert(m.captured(1).toInt(), m.captured(2).trimmed());
        } else if (!line.trimmed().isEmpty() && !line.trimmed().startsWith(u'#')) {
            plain << line.trimmed();
        }
    }
    QStringList entries;
    for (const QString& entry : pls ? QStringList(numbered.values()) : plain) {
        const QUrl url = base.resolved(QUrl(entry));
        // An entry that is no valid address (a bad host) would resolve to an empty text.
        if (!url.isValid() || url.host().isEmpty())
            continue;
        if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
            entries << url.toString();
    }
    return entries;
}

bool IsHlsPlaylist(const QByteArray& text) {
    const qsizetype start = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    return text.mid(start).trimmed().startsWith("#EXTM3U") && text.contains("\n#EXT-X-");
}

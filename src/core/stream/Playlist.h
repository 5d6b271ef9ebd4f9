#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Play-list URLs (.pls, and .m3u that is not HLS) are fetched and their entries tried
// in order.
bool IsPlaylistUrl(const QString& url);
// The stream addresses of a .pls or .m3u text, relative ones resolved against the
// play list's own address; only http and https entries count.
QStringList PlaylistEntries(const QByteArray& text, const QString& baseUrl);
// Whether a fetched play list is HLS (#EXTM3U with #EXT-X- tags) rather than a plain
// list of streams, whatever its address says.
bool IsHlsPlaylist(const QByteArray& text);

#include "stream/Playlist.h"

#include <cstdint>
#include <cstdlib>

// Play-list texts as a server may send them; only web addresses may come out.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    IsHlsPlaylist(text);
    for (const QString& entry : PlaylistEntries(text, QStringLiteral("http://host:8000/dir/a.pls")))
        if (!entry.startsWith(QLatin1String("http://")) &&
            !entry.startsWith(QLatin1String("https://")))
            std::abort();
    return 0;
}

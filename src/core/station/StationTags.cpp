#include "station/StationTags.h"

#include "station/TStation.h"
#include "stream/Bass.h"
#include "stream/StreamTags.h"

namespace {

// Decoded before the record cuts them to 255 characters: cutting the bytes first
// would split a multi-byte character.
QString rawText(const QByteArray& bytes) {
    return UTFDecodeWhile(bytes);
}

} // namespace

void Stream_ReadTags(TStation& st) {
    const HSTREAM h = st.StreamHandle;
    const bool wma = st.IsWMA;
    QByteArray run = BASS_ChannelGetTags(h, wma ? BASS_TAG_WMA : BASS_TAG_ICY);
    if (run.isEmpty())
        run = BASS_ChannelGetTags(h, BASS_TAG_HTTP);
    auto setBitRate = [&](const QByteArray& digits) {
        st.StreamBitRate = LeadingNumber(digits);
        st.StreamInfoChanged = true;
    };
    for (const QByteArray& text : TagTexts(run)) {
        if (wma) {
            if (text.startsWith("title")) {
                st.StreamTitle.set(rawText(text.mid(6)));
                st.TagsChanged = true;
            } else if (text.startsWith("CurrentBitrate=")) {
                setBitRate(text.mid(15));
            } else if (text.startsWith("Bitrate")) {
                setBitRate(text.mid(8));
            }
        } else if (text.startsWith("icy-name:")) {
            st.StreamName.set(rawText(text.mid(9)));
            st.TagsChanged = true;
        } else if (text.startsWith("icy-br:")) {
            setBitRate(text.mid(7));
        }
    }
}

void Stream_ReadTitle(TStation& st) {
    const QByteArray meta =
        BASS_ChannelGetTags(st.StreamHandle, st.IsWMA ? BASS_TAG_WMA : BASS_TAG_META);
    st.StreamTitle.set(rawText(TitleFromMeta(meta.left(meta.indexOf('\0')))));
    st.TagsChanged = true;
}

#include "station/StreamDisplay.h"

#include "station/Colors.h"
#include "station/StreamWorker.h"
#include "station/TStation.h"
#include "stream/StreamTags.h"

int Show_Buffer(TStation& st) {
    const quint8 state = st.LinkState;
    int fill = 0;
    if ((state == LINK_BUFFERING || state == LINK_ONLINE) && st.StreamHandle != 0)
        fill = Stream_BufferFill(st, 0);
    if (state == LINK_ONLINE && fill < 2) {
        quint8 online = LINK_ONLINE;
        if (st.LinkState.compare_exchange_strong(online, LINK_CONNECT))
            st.WakeWorker();
    }
    return fill;
}

quint32 BufferColor(int fill) {
    if (fill < 6)
        return Colors::Red;
    if (fill <= 10)
        return Colors::Yellow;
    return Colors::Silver;
}

QString FrequencyText(int hz) {
    return hz > 0 ? QStringLiteral("%1 KHz").arg(hz / 1000) : QString();
}

QString InputBitrateText(int bitrate) {
    if (bitrate <= 0)
        return {};
    // Headers give kbit/s, some tags bit/s.
    return QStringLiteral("%1 Kb").arg(bitrate <= 1000 ? bitrate : bitrate / 1000);
}

QString OutputBitrateText(int bitrate) {
    return bitrate > 0 ? QStringLiteral("%1 Kb").arg(bitrate / 1000) : QString();
}

QString ChannelsText(int channels) {
    switch (channels) {
    case 1:
        return QStringLiteral("Mono");
    case 2:
        return QStringLiteral("Stereo");
    default:
        return {};
    }
}

bool Show_Info_Freq(TStation& st, FormatTexts& texts) {
    bool changed = false;
    if (st.StreamInfoChanged.exchange(false)) {
        texts.InFreq = FrequencyText(st.StreamRate);
        texts.InBitrate = InputBitrateText(st.StreamBitRate);
        texts.InCh = ChannelsText(st.StreamChannels);
        changed = true;
    }
    if (st.RecordInfoChanged) {
        st.RecordInfoChanged = false;
        texts.OutFreq = FrequencyText(st.RecordRate);
        texts.OutBitrate = OutputBitrateText(st.RecordBitRate);
        texts.OutCh = ChannelsText(st.RecordChannels);
        changed = true;
    }
    return changed;
}

bool HintFormer(TStation& st, StreamLabels& labels) {
    if (!st.TagsChanged.exchange(false))
        return false;
    labels.Station = st.StreamName.get();
    labels.Title = st.StreamTitle.get();
    return true;
}

#include "station/StreamWorker.h"

#include "base/Logging.h"
#include "base/ThreadName.h"
#include "base/TickCount.h"
#include "station/StationTags.h"
#include "station/TStation.h"
#include "stream/BassErrors.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include <QUrl>

namespace {

std::atomic<bool> gHlsAvailable{false};

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The worker moves the link on only from the state it expects, so a stop ordered
// meanwhile by the station's tick is never overwritten.
bool advance(TStation& st, quint8 from, quint8 to) {
    return st.LinkState.compare_exchange_strong(from, to);
}

void setMessage(TStation& st, const QString& text) {
    st.Message.set(text);
    st.MessagePending = true;
}

// Percent of the network buffer filled; -1 when the connection has ended.
int bufferProgress(TStation& st, int last) {
    const int p = Stream_BufferFill(st, last);
    return BASS_StreamGetFilePosition(st.StreamHandle, BASS_FILEPOS_CONNECTED) == 0 ? -1 : p;
}

} // namespace

int Stream_BufferFill(const TStation& st, int whenUnknown) {
    const HSTREAM h = st.StreamHandle;
    if (st.IsWMA)
        return int(BASS_StreamGetFilePosition(h, BASS_FILEPOS_WMA_BUFFER));
    const quint64 size = BASS_StreamGetFilePosition(h, BASS_FILEPOS_END);
    if (size == 0 || size == quint64(-1))
        return whenUnknown;
    return int(BASS_StreamGetFilePosition(h, BASS_FILEPOS_BUFFER) * 100 / size);
}

void SetHlsAvailable(bool available) {
    gHlsAvailable = available;
}

bool HlsAvailable() {
    return gHlsAvailable;
}

void StreamWorker(TStation* st) {
    NameThread("tw-station");
    // An open under way gives up as soon as the station stops or is given another
    // address, so stopping never waits on the network and the newest address wins.
    SetStreamOpenCancel([st] {
        return st->StopWorker || st->LinkState == LINK_STOP ||
               st->WorkerURL().trimmed() != st->OpeningURL.get();
    });
    while (!st->StopWorker) {
        if (st->LinkState == LINK_CONNECT)
            Stream_Open(*st);
        if (st->LinkState == LINK_BUFFERING)
            Stream_Buffering(*st);
        // An open given up for a newer address leaves the station connecting: the
        // next round opens that address at once, with nothing left to wake it.
        if (st->LinkState == LINK_CONNECT)
            continue;
        // Waiting to be woken keeps a hundred idle workers from waking 100 times a
        // second each.
        st->WaitForWork();
    }
    Stream_Release(*st);
    SetStreamOpenCancel(nullptr);
    st->StopWorker = false;
}

void Stream_Open(TStation& st) {
    Stream_Release(st);
    const QString url = st.WorkerURL().trimmed();
    if (url.isEmpty()) {
        st.LinkState = LINK_STOP;
        return;
    }
    st.OpeningURL.set(url);
    // Only the path counts; an HLS list at another address is known by its content.
    const bool m3u8 = QUrl(url).path().endsWith(QLatin1String(".m3u8"), Qt::CaseInsensitive);
    const HSTREAM h = m3u8 && HlsAvailable()
                          ? BASS_HLS_StreamCreateURL(url, BASS_HLS_CREATE_FLAGS, nullptr, nullptr)
                          : BASS_StreamCreateURL(url, 0, BASS_STREAM_CREATE_FLAGS, nullptr, &st);
    if (st.WorkerURL().trimmed() != url) {
        // Given another address meanwhile: the next round opens that one.
        if (h != 0)
            BASS_StreamFree(h);
        return;
    }
    if (h == 0) {
        if (st.LinkState != LINK_STOP)
            Stream_Error(st);
        else
            Stream_Release(st);
        return;
    }
    st.StreamHandle = h;
    if (st.StopWorker || !advance(st, LINK_CONNECT, LINK_BUFFERING)) {
        st.LinkState = LINK_STOP;
        Stream_Release(st);
        return;
    }
    BASS_ChannelSetAttribute(h, BASS_ATTRIB_VOL, float(st.ListenVolume / 100.0));
    st.IsWMA = !BASS_ChannelGetTags(h, BASS_TAG_WMA).isEmpty();
}

void Stream_Buffering(TStation& st) {
    const quint64 timeout = std::max<quint64>(3000, quint64(std::llround(st.BufferTimeout * 1000)));
    quint64 deadline = GetTickCount64Ex() + 2 * timeout;
    int best = 0;
    int p = 0;
    for (;;) {
        if (st.StopWorker || st.LinkState == LINK_STOP) {
            st.LinkState = LINK_STOP;
            Stream_Release(st);
            return;
        }
        if (st.LinkState != LINK_BUFFERING) {
            Stream_Release(st);
            return;
        }
        p = bufferProgress(st, p);
        const quint64 now = GetTickCount64Ex();
        if (p != -1 && p > best) {
            best = p;
            deadline = now + timeout;
        }
        if (now > deadline)
            p = -1;
        if (p == -1) {
            Stream_Error(st, QStringLiteral("Error buffering"));
            return;
        }
        if (p >= 95)
            break;
        // A short pause keeps the wait from spinning a core.
        sleepMs(5);
    }
    Stream_ReadTags(st);
    Stream_ReadTitle(st);
    const HSTREAM h = st.StreamHandle;
    BASS_CHANNELINFO info;
    if (BASS_ChannelGetInfo(h, &info)) {
        st.StreamChannels = quint8(info.chans);
        st.StreamRate = qint32(info.freq);
        st.StreamInfoChanged = true;
    }
    if (st.IsWMA) {
        BASS_ChannelSetSync(h, BASS_SYNC_WMA_META, 0, Stream_Sync, &st);
        BASS_ChannelSetSync(h, BASS_SYNC_WMA_CHANGE, 0, Stream_Sync, &st);
    } else {
        BASS_ChannelSetSync(h, BASS_SYNC_META, 0, Stream_Sync, &st);
    }
    // A few buffers' worth, so that a busy tick loses nothing while memory stays bounded.
    st.BlockQueue.SetLimitMs(4 * qint64(BASS_GetConfig(BASS_CONFIG_NET_BUFFER)));
    st.DSPHandle = BASS_ChannelSetDSP(h, Stream_DSP, &st, 0);
    BASS_ChannelPlay(h, false);
    if (!advance(st, LINK_BUFFERING, LINK_ONLINE))
        return; // stopped meanwhile: the next round releases the stream
    if (st.RecState == 0)
        setMessage(st, QStringLiteral("Online"));
}

void Stream_Error(TStation& st, const QString& message) {
    // The texts come first, so whoever sees the error state sees its message.
    if (st.LinkState != LINK_STOP) {
        setMessage(st, message.isEmpty() ? BassErrorText(BASS_ErrorGetCode()) : message);
        const bool slow = st.ConnectionLost || st.WorkerConnect() <= 5;
        st.RetryTick = GetTickCount64Ex() + (slow ? 5000 : 2000);
    }
    quint8 state = st.LinkState;
    while (state != LINK_STOP && !st.LinkState.compare_exchange_weak(state, LINK_ERROR)) {
    }
    Stream_Release(st);
}

void Stream_Release(TStation& st) {
    const HSTREAM h = st.StreamHandle.exchange(0);
    const HDSP dsp = st.DSPHandle.exchange(0);
    if (dsp != 0) {
        BASS_ChannelRemoveDSP(h, dsp);
        while (st.DSPBusy)
            sleepMs(1);
    }
    if (h != 0)
        BASS_StreamFree(h);
    st.StreamRate = 0;
    st.StreamBitRate = 0;
    st.StreamChannels = 0;
    st.StreamInfoChanged = true;
}

void Stream_DSP(HDSP, HSTREAM channel, void* buffer, quint32 length, void* user) {
    auto* st = static_cast<TStation*>(user);
    st->DSPBusy = true;
    // The format may change between blocks, so each block carries its own.
    BASS_CHANNELINFO info;
    if (!BASS_ChannelGetInfo(channel, &info))
        info = {quint32(st->StreamRate.load()), quint32(st->StreamChannels.load())};
    const qint64 dropped =
        st->BlockQueue.Append(buffer, qint32(length), qint32(info.freq), quint8(info.chans));
    if (dropped > 0)
        qCWarning(lcStream, "Station %d: audio not taken in time, %lld blocks dropped so far",
                  st->Number, static_cast<long long>(dropped));
    st->DSPBusy = false;
}

void Stream_Sync(HSYNC, HSTREAM, quint32, void* user) {
    Stream_ReadTitle(*static_cast<TStation*>(user));
}

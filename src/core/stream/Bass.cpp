#include "stream/Bass.h"

#include "stream/AudioOutput.h"
#include "stream/BassStream.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <QHash>

#include <cmath>
#include <mutex>
#include <thread>

namespace {

thread_local int tLastError = BASS_OK;
thread_local std::function<bool()> tOpenCancel;

struct Layer {
    std::mutex mutex;
    bool initialised = false;
    bool started = false;
    int device = 0;
    quint32 netBufferMs = 5000;
    quint32 playlist = 0;
    quint32 wmaPrebuf = 0;
    quint32 netPrebuf = 75;
    quint32 hlsTags = 0;
    bool hlsLoaded = false;
    QString agent;
    QHash<HSTREAM, std::shared_ptr<BassStream>> streams;
    HSTREAM nextHandle = 1;
};

Layer& layer() {
    static Layer l;
    return l;
}

template <typename T> T fail(int code, T result) {
    tLastError = code;
    return result;
}

template <typename T> T ok(T result) {
    tLastError = BASS_OK;
    return result;
}

std::shared_ptr<BassStream> find(HSTREAM handle) {
    Layer& l = layer();
    const std::lock_guard lock(l.mutex);
    return l.streams.value(handle);
}

HSTREAM createStream(const QString& url, bool hls) {
    BassStream::Settings settings;
    Layer& l = layer();
    {
        const std::lock_guard lock(l.mutex);
        if (!l.initialised)
            return fail<HSTREAM>(BASS_ERROR_INIT, 0);
        settings.userAgent = l.agent;
        settings.bufferMs = int(l.netBufferMs);
        settings.outputDevice = l.device;
        settings.hlsAvailable = l.hlsLoaded;
    }
    settings.cancelled = tOpenCancel;
    int error = BASS_OK;
    std::shared_ptr<BassStream> stream = BassStream::Open(url, hls, settings, &error);
    if (!stream)
        return fail<HSTREAM>(error, 0);
    const std::lock_guard lock(l.mutex);
    const HSTREAM handle = l.nextHandle++;
    stream->SetHandle(handle);
    l.streams.insert(handle, stream);
    return ok(handle);
}

} // namespace

quint32 BASS_GetVersion() {
    return BASS_VERSION;
}

int BASS_ErrorGetCode() {
    return tLastError;
}

bool BASS_Init(int device, quint32, quint32, void*, void*) {
    const int count = int(AudioOutput::DeviceNames().size());
    Layer& l = layer();
    const std::lock_guard lock(l.mutex);
    if (l.initialised)
        return fail(BASS_ERROR_ALREADY, false);
    if (device < 0 || device > count)
        return fail(BASS_ERROR_DEVICE, false);
    av_log_set_level(AV_LOG_QUIET);
    avformat_network_init();
    l.initialised = true;
    l.device = device;
    return ok(true);
}

bool BASS_Free() {
    Layer& l = layer();
    const std::lock_guard lock(l.mutex);
    if (!l.initialised)
        return fail(BASS_ERROR_INIT, false);
    l.initialised = false;
    l.started = false;
    return ok(true);
}

bool BASS_Start() {
    Layer& l = layer();
    const std::lock_guard lock(l.mutex);
    if (!l.initialised)
        return fail(BASS_ERROR_INIT, false);
    l.started = true;
    for (const auto& stream : std::as_const(l.streams))
        stream->SetOutputDevice(l.device);
    return ok(true);
}

bool BASS_Pause() {
    Layer& l = layer();
    const std::lock_guard lock(l.mutex);
    if (!l.initialised)
        return fail(BASS_ERROR_INIT, false);
    l.started = false;
    // Streams go on in real time without sound, as on the no-sound device.
    for (const auto& stream : std::as_const(l.streams))
        stream->SetOutputDevice(0);
    return ok(true);
}

bool BASS_SetDevice(int device) {
    Layer& l = layer();
    const std::lock_guard lock(l.mutex);
    if (!l.initialised || device != l.device)
        return fail(BASS_ERROR_INIT, false);
    return ok(true);
}

bool BASS_SetVolume(float volume) {
    if (volume < 0.0f || volume > 1.0f)
        return fail(BASS_ERROR_ILLPARAM, false);
    AudioOutput::SetMasterVolume(volume);
    return ok(true);
}

bool BASS_GetDeviceInfo(int device, BASS_DEVICEINFO* info) {
    if (device == 0) {
        *info = {QStringLiteral("No sound"), BASS_DEVICE_ENABLED};
        return ok(true);
    }
    // Devices are listed from 0 upward: the first real one restarts PortAudio to see
    // new devices, the others read that list, so a poll restarts it only once.
    const QStringList names = AudioOutput::DeviceNames(device == 1);
    if (device < 0 || device > names.size())
        return fail(BASS_ERROR_DEVICE, false);
    *info = {names[device - 1], BASS_DEVICE_ENABLED};
    return ok(true);
}

quint32 BASS_PluginLoad(const QString& file, quint32) {
    // The HLS add-on is FFmpeg's HLS demuxer; the others are its built-in decoders.
    const bool hls = file.contains(QLatin1String("HLS"), Qt::CaseInsensitive);
    if (hls && !av_find_input_format("hls"))
        return fail<quint32>(BASS_ERROR_FILEFORM, 0);
    if (hls) {
        Layer& l = layer();
        const std::lock_guard lock(l.mutex);
        l.hlsLoaded = true;
    }
    return ok<quint32>(hls ? 2 : 1);
}

bool BASS_PluginFree(quint32 handle) {
    if (handle != 1 && handle != 2)
        return fail(BASS_ERROR_HANDLE, false);
    Layer& l = layer();
    const std::lock_guard lock(l.mutex);
    if (handle == 2)
        l.hlsLoaded = false;
    return ok(true);
}

bool BASS_SetConfig(int option, quint32 value) {
    Layer& l = layer();
    const std::lock_guard lock(l.mutex);
    switch (option) {
    case BASS_CONFIG_NET_BUFFER:
        l.netBufferMs = std::max<quint32>(value, 1);
        break;
    case BASS_CONFIG_NET_PREBUF:
        l.netPrebuf = value;
        break;
    case BASS_CONFIG_NET_PLAYLIST:
        l.playlist = value;
        break;
    case BASS_CONFIG_WMA_PREBUF:
        l.wmaPrebuf = value;
        break;
    case BASS_CONFIG_HLS_DOWNLOAD_TAGS:
        l.hlsTags = value;
        break;
    default:
        return fail(BASS_ERROR_ILLPARAM, false);
    }
    return ok(true);
}

quint32 BASS_GetConfig(int option) {
    Layer& l = layer();
    const std::lock_guard lock(l.mutex);
    switch (option) {
    case BASS_CONFIG_NET_BUFFER:
        return ok(l.netBufferMs);
    case BASS_CONFIG_NET_PREBUF:
        return ok(l.netPrebuf);
    case BASS_CONFIG_NET_PLAYLIST:
        return ok(l.playlist);
    case BASS_CONFIG_WMA_PREBUF:
        return ok(l.wmaPrebuf);
    case BASS_CONFIG_HLS_DOWNLOAD_TAGS:
        return ok(l.hlsTags);
    default:
        return fail<quint32>(BASS_ERROR_ILLPARAM, quint32(-1));
    }
}

bool BASS_SetConfigPtr(int option, const QString& value) {
    if (option != BASS_CONFIG_NET_AGENT)
        return fail(BASS_ERROR_ILLPARAM, false);
    Layer& l = layer();
    const std::lock_guard lock(l.mutex);
    l.agent = value;
    return ok(true);
}

HSTREAM BASS_StreamCreateURL(const QString& url, quint32, quint32, DOWNLOADPROC, void*) {
    return createStream(url, false);
}

HSTREAM BASS_HLS_StreamCreateURL(const QString& url, quint32, DOWNLOADPROC, void*) {
    return createStream(url, true);
}

bool BASS_StreamFree(HSTREAM handle) {
    std::shared_ptr<BassStream> stream;
    {
        Layer& l = layer();
        const std::lock_guard lock(l.mutex);
        stream = l.streams.take(handle);
    }
    if (!stream)
        return fail(BASS_ERROR_HANDLE, false);
    stream->Detach();
    // Joined on a thread of its own, which also keeps the stream's last reference
    // from being dropped on one of the threads being joined.
    std::thread([stream = std::move(stream)] { stream->Close(); }).detach();
    return ok(true);
}

void SetStreamOpenCancel(std::function<bool()> cancelled) {
    tOpenCancel = std::move(cancelled);
}

QByteArray BASS_ChannelGetTags(HSTREAM handle, int tags) {
    const auto stream = find(handle);
    if (!stream)
        return fail(BASS_ERROR_HANDLE, QByteArray());
    const QByteArray text = stream->Tags(tags);
    return text.isEmpty() ? fail(BASS_ERROR_NOTAVAIL, text) : ok(text);
}

quint64 BASS_StreamGetFilePosition(HSTREAM handle, int mode) {
    const auto stream = find(handle);
    if (!stream)
        return fail(BASS_ERROR_HANDLE, quint64(-1));
    const quint64 value = stream->FilePosition(mode);
    return value == quint64(-1) ? fail(BASS_ERROR_NOTAVAIL, value) : ok(value);
}

bool BASS_ChannelGetInfo(HSTREAM handle, BASS_CHANNELINFO* info) {
    const auto stream = find(handle);
    if (!stream)
        return fail(BASS_ERROR_HANDLE, false);
    *info = stream->Info();
    return ok(true);
}

HSYNC BASS_ChannelSetSync(HSTREAM handle, int type, quint64, SYNCPROC proc, void* user) {
    const auto stream = find(handle);
    if (!stream)
        return fail<HSYNC>(BASS_ERROR_HANDLE, 0);
    return ok(stream->AddSync(type, proc, user));
}

HDSP BASS_ChannelSetDSP(HSTREAM handle, DSPPROC proc, void* user, int) {
    const auto stream = find(handle);
    if (!stream)
        return fail<HDSP>(BASS_ERROR_HANDLE, 0);
    return ok(stream->AddDSP(proc, user));
}

bool BASS_ChannelRemoveDSP(HSTREAM handle, HDSP dsp) {
    const auto stream = find(handle);
    if (!stream || !stream->RemoveDSP(dsp))
        return fail(BASS_ERROR_HANDLE, false);
    return ok(true);
}

bool BASS_ChannelPlay(HSTREAM handle, bool) {
    const auto stream = find(handle);
    if (!stream)
        return fail(BASS_ERROR_HANDLE, false);
    stream->Play();
    return ok(true);
}

bool BASS_ChannelSetAttribute(HSTREAM handle, int attrib, float value) {
    const auto stream = find(handle);
    if (!stream)
        return fail(BASS_ERROR_HANDLE, false);
    if (attrib != BASS_ATTRIB_VOL)
        return fail(BASS_ERROR_ILLTYPE, false);
    stream->SetVolume(std::clamp(value, 0.0f, 1.0f));
    return ok(true);
}

quint32 BASS_ChannelGetLevel(HSTREAM handle) {
    const auto stream = find(handle);
    if (!stream)
        return fail<quint32>(BASS_ERROR_HANDLE, quint32(-1));
    return ok(stream->Level());
}

#include "stream/AudioOutput.h"

#include <alsa/error.h>
#include <jack/jack.h>
#include <portaudio.h>

#include <QtGlobal>

#include <atomic>
#include <mutex>
#include <vector>

namespace {

std::mutex gMutex;
bool gInitialised = false;
int gOpenStreams = 0;
std::vector<PaDeviceIndex> gDevices; // our device n is gDevices[n - 1]
QStringList gNames;
std::atomic<float> gMasterVolume{1.0f};

// The sound back-ends print to standard error whenever a device or server is
// missing, which on a headless machine is every time the devices are listed.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}
void quietJack(const char*) {}

void silenceBackends() {
    static const bool done = [] {
        snd_lib_error_set_handler(quietAlsa);
        jack_set_error_function(quietJack);
        jack_set_info_function(quietJack);
        qputenv("JACK_NO_START_SERVER", "1");
        return true;
    }();
    Q_UNUSED(done);
}

// PortAudio learns of new devices only when it starts, so the list is rebuilt by
// restarting it, which is safe only while nothing plays.
void rescanLocked() {
    if (gOpenStreams > 0)
        return;
    silenceBackends();
    if (gInitialised)
        Pa_Terminate();
    gInitialised = Pa_Initialize() == paNoError;
    gDevices.clear();
    gNames.clear();
    const int count = gInitialised ? Pa_GetDeviceCount() : 0;
    for (PaDeviceIndex i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info && info->maxOutputChannels > 0) {
            gDevices.push_back(i);
            gNames << QString::fromUtf8(info->name);
        }
    }
}

} // namespace

AudioOutputStream::AudioOutputStream(PaStream* stream, int channels)
    : stream_(stream), channels_(channels) {}

AudioOutputStream::~AudioOutputStream() {
    // PortAudio's open and close are not thread-safe: every playback thread takes the
    // one lock. Aborting does not wait for the device to drain while holding it.
    const std::lock_guard lock(gMutex);
    Pa_AbortStream(stream_);
    Pa_CloseStream(stream_);
    --gOpenStreams;
}

bool AudioOutputStream::Write(const qint16* pcm, qint64 frames) {
    const float master = gMasterVolume;
    std::vector<qint16> scaled;
    if (master < 1.0f) {
        scaled.assign(pcm, pcm + frames * channels_);
        for (qint16& s : scaled)
            s = qint16(s * master);
        pcm = scaled.data();
    }
    const PaError e = Pa_WriteStream(stream_, pcm, (unsigned long)frames);
    return e == paNoError || e == paOutputUnderflowed;
}

QStringList AudioOutput::DeviceNames(bool rescan) {
    const std::lock_guard lock(gMutex);
    if (rescan || !gInitialised)
        rescanLocked();
    return gNames;
}

std::unique_ptr<AudioOutputStream> AudioOutput::OpenStream(int device, int rate, int channels) {
    const std::lock_guard lock(gMutex);
    if (!gInitialised || device < 1 || device > int(gDevices.size()))
        return nullptr;
    PaStreamParameters params = {};
    params.device = gDevices[size_t(device - 1)];
    params.channelCount = channels;
    params.sampleFormat = paInt16;
    params.suggestedLatency = Pa_GetDeviceInfo(params.device)->defaultHighOutputLatency;
    PaStream* stream = nullptr;
    if (Pa_OpenStream(&stream, nullptr, &params, rate, paFramesPerBufferUnspecified, paNoFlag,
                      nullptr, nullptr) != paNoError)
        return nullptr;
    if (Pa_StartStream(stream) != paNoError) {
        Pa_CloseStream(stream);
        return nullptr;
    }
    ++gOpenStreams;
    return std::make_unique<AudioOutputStream>(stream, channels);
}

void AudioOutput::SetMasterVolume(float volume) {
    gMasterVolume = volume;
}

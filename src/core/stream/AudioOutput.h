#pragma once

#include <QStringList>
#include <QtGlobal>

#include <memory>

typedef void PaStream;

// An open output on a sound device: blocking writes pace the caller like the device.
class AudioOutputStream {
public:
    explicit AudioOutputStream(PaStream* stream, int channels);
    ~AudioOutputStream();
    AudioOutputStream(const AudioOutputStream&) = delete;
    AudioOutputStream& operator=(const AudioOutputStream&) = delete;

    bool Write(const qint16* pcm, qint64 frames);

private:
    PaStream* stream_;
    int channels_;
};

// The sound devices, through PortAudio. Device numbers start at 1; 0 is "no sound".
namespace AudioOutput {
// The names of the output devices, numbered from 1. Devices plugged in or removed
// are seen on the next rescan made while no output is open.
QStringList DeviceNames(bool rescan = true);
std::unique_ptr<AudioOutputStream> OpenStream(int device, int rate, int channels);
// The master gain applied to all output, 0 to 1.
void SetMasterVolume(float volume);
} // namespace AudioOutput

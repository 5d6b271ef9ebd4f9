#pragma once

#include "stream/Bass.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class AudioOutputStream;
struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;

// One open network stream: a network thread that queues compressed packets up to
// the configured buffer length, and, once playing, a playback thread that decodes
// them into interleaved 16-bit PCM, paced by the wall clock or by the output device,
// and hands every block to the installed DSP procedures.
class BassStream {
public:
    struct Settings {
        QString userAgent;
        int bufferMs = 5000;
        int outputDevice = 0; // PortAudio output index + 1; 0: no sound
    };

    // Connects, resolves play lists and finds the audio format. On failure returns
    // nullptr with *error set to an audio-layer error code.
    static std::unique_ptr<BassStream> Open(const QString& url, bool hls, const Settings& settings,
                                            int* error);
    ~BassStream();

    void SetHandle(HSTREAM handle) { handle_ = handle; }
    QByteArray Tags(int type) const;
    quint64 FilePosition(int mode) const;
    BASS_CHANNELINFO Info() const { return {quint32(rate_), quint32(channels_)}; }
    HSYNC AddSync(int type, SYNCPROC proc, void* user);
    HDSP AddDSP(DSPPROC proc, void* user);
    bool RemoveDSP(HDSP dsp);
    void Play();
    void SetVolume(float volume) { volume_ = volume; }
    quint32 Level() const { return level_; }
    void SetOutputDevice(int device) { outputDevice_ = device; }

private:
    struct Packet {
        AVPacket* packet;
        qint64 ms;
    };
    struct Dsp {
        HDSP handle;
        DSPPROC proc;
        void* user;
    };
    struct Sync {
        HSYNC handle;
        SYNCPROC proc;
        void* user;
    };

    BassStream() = default;
    int openMedia(const QString& url, bool hls);
    void readHeaders();
    void networkLoop();
    void playbackLoop();
    bool updateMeta();
    bool takePacket(Packet* out);
    qint64 refillBelow() const;
    void deliver(std::vector<qint16>& pcm);
    void play(const std::vector<qint16>& pcm, qint64 frames);
    void pace(qint64 frames);
    static int interrupted(void* self);

    Settings settings_;
    HSTREAM handle_ = 0;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* decoder_ = nullptr;
    int audioIndex_ = -1;
    int rate_ = 0;
    int channels_ = 0;

    std::atomic<bool> stop_{false};
    std::atomic<qint64> openDeadline_{0}; // steady-clock ticks; 0 once open
    std::atomic<bool> connected_{true};
    std::atomic<bool> playing_{false};
    std::atomic<float> volume_{1.0f};
    std::atomic<quint32> level_{0};
    std::atomic<int> outputDevice_{0};

    mutable std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::deque<Packet> queue_;
    qint64 queuedMs_ = 0;

    mutable std::mutex tagMutex_;
    QByteArray httpTags_;
    QByteArray icyTags_;
    QByteArray metaText_;

    std::mutex callbackMutex_;
    std::vector<Dsp> dsps_;
    std::vector<Sync> syncs_;
    quint32 nextCallbackHandle_ = 1;

    // Playback thread only.
    std::unique_ptr<AudioOutputStream> output_;
    int outputOpenedFor_ = 0;
    std::chrono::steady_clock::time_point clockStart_;
    qint64 playedFrames_ = 0;
    bool underrun_ = false;

    std::thread network_;
    std::thread playback_;
};

#pragma once

#include "stream/Bass.h"
#include "stream/HttpSource.h"

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
struct AVIOContext;
struct AVDictionary;

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
        bool hlsAvailable = false;
        // Asked on the opening thread while the stream opens: true gives up at once.
        std::function<bool()> cancelled;
    };

    // Connects, resolves play lists and finds the audio format. On failure returns
    // nullptr with *error set to an audio-layer error code.
    static std::unique_ptr<BassStream> Open(const QString& url, bool hls, const Settings& settings,
                                            int* error);
    ~BassStream();

    // Stops the callbacks at once (a running one is waited for) and tells the threads
    // to end; Close then waits for them. Close must not run on the stream's own threads.
    void Detach();
    void Close();

    void SetHandle(HSTREAM handle) { handle_ = handle; }
    QByteArray Tags(int type) const;
    quint64 FilePosition(int mode) const;
    // The format of the PCM handed out last: it follows the stream's changes.
    BASS_CHANNELINFO Info() const;
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
    int openList(const QString& url);
    int openMedia(const QString& url, bool hls);
    void allocFormat();
    static int openFetch(AVFormatContext* s, AVIOContext** pb, const char* url, int flags,
                         AVDictionary** options);
    static int closeFetch(AVFormatContext* s, AVIOContext* pb);
    HttpSource::Request httpRequest(const QString& url);
    int openDecoder();
    void closeMedia();
    void restartDeadline();
    void setFormat(int rate, int channels);
    void readHeaders();
    void networkLoop();
    void playbackLoop();
    bool updateMeta();
    bool takePacket(Packet* out);
    qint64 refillBelow() const;
    void napWithAudioLeft(qint64 queuedMs);
    void deliver(std::vector<qint16>& pcm, int rate, int channels);
    void play(const std::vector<qint16>& pcm, qint64 frames, int rate, int channels);
    void pace(qint64 frames, int rate);
    double followSource(qint64 blockUs);
    static int interrupted(void* self);

    Settings settings_;
    std::atomic<HSTREAM> handle_{0};
    std::unique_ptr<HttpSource> source_; // the body the demuxer reads
    // FFmpeg's own openers, for what our reader does not fetch.
    int (*ffmpegOpen_)(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) = nullptr;
    int (*ffmpegClose_)(AVFormatContext*, AVIOContext*) = nullptr;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* decoder_ = nullptr;
    int audioIndex_ = -1;
    // A packet's length when the demuxer gives none; fixed once open.
    qint64 fallbackPacketMs_ = 0;
    // Rate << 8 | channels, in one word so that readers never see half a change.
    std::atomic<quint64> pcmFormat_{0};

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
    quint64 outputFormat_ = 0;
    std::chrono::steady_clock::time_point clockStart_;
    qint64 playedUs_ = 0;
    qint64 queuedSeen_ = 0; // the queue's length after the last packet was taken
    double fillAverage_ = 0.0;
    bool underrun_ = false;

    std::thread network_;
    std::thread playback_;
};

#pragma once

#include "settings/StationConfig.h"
#include "stream/Bass.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <atomic>
#include <deque>
#include <mutex>
#include <semaphore>
#include <thread>

// Texts written by one thread and read by another.
class SharedText {
public:
    explicit SharedText(int capacity) : capacity_(capacity) {}
    QString get() const;
    void set(const QString& text);

private:
    mutable std::mutex mutex_;
    QString text_;
    int capacity_;
};

struct ErrorEntry {
    QDateTime Time;
    QString TimeText; // ShownTime
    QString Text;     // max 255
};

// A station's status block, read by the main window, the web page and the notices.
struct tErrorLst {
    QList<ErrorEntry> ErrorList; // the newest 64
    int ErrorCount = 0;          // errors since creation
    QString StatusText;
    quint32 StatusTextColor = 0; // 0x00BBGGRR
    quint32 StatusBackColor = 0;
};

// A decoded block and the format it is in.
struct PcmBlock {
    QByteArray Data;
    qint32 Rate = 0;
    quint8 Channels = 0;
};

// Decoded blocks handed from the playback thread to the station's tick, oldest first.
// It holds a bounded amount of audio: when the tick falls behind, the oldest blocks go.
class TBlockQueue {
public:
    // Returns the number of blocks dropped so far when this call starts a run of
    // drops (the tick has not taken a block since), otherwise 0.
    qint64 Append(const void* data, qint32 length, qint32 rate, quint8 channels);
    bool TakeOldest(PcmBlock* block);
    void Clear();
    int Count() const;
    void SetLimitMs(qint64 ms);

private:
    static qint64 durationUs(const PcmBlock& block);

    mutable std::mutex mutex_;
    std::deque<PcmBlock> entries_;
    qint64 queuedUs_ = 0;
    qint64 limitUs_ = 20000000;
    qint64 dropped_ = 0;
    bool dropping_ = false;
};

// The run-time record of one station, shared by its tick (GUI or main thread), its
// stream worker and the audio layer's playback thread. Fields that cross threads
// are atomics or locked texts.
struct TStation {
    int Index = 0;
    int Number = 0;
    std::atomic<bool> StopWorker{false};
    std::atomic<quint8> RecState{0}; // 0 off, 1 recording, 2 blocked by an error
    StationConfig Config;
    tErrorLst Status; // guarded by StatusLock: the web server reads it
    mutable std::mutex StatusLock;
    std::atomic<bool> LessSize{false};
    TBlockQueue BlockQueue;
    QDateTime FileStartTime;
    std::atomic<double> ListenVolume{0.0}; // percent: 0 or 100
    bool Listening = false;
    quint8 FileHour = 255;
    std::atomic<double> BufferTimeout{0.0}; // seconds; changed by the settings dialog
    int FileHandle = -1; // the open recording; written and closed by the encode chain
    QString FileName;
    quint64 LastCheckTick = 0;
    std::atomic<quint64> RetryTick{0};
    double LossSeconds = 0.0;
    std::atomic<bool> ConnectionLost{false};
    std::atomic<bool> MessagePending{false};
    SharedText Message{255};
    bool SoundAvailable = false;
    std::atomic<bool> IsWMA{false};
    std::thread WorkerThread;
    std::atomic<HSTREAM> StreamHandle{0};
    std::atomic<bool> DSPBusy{false};
    std::atomic<HDSP> DSPHandle{0};
    std::atomic<quint8> LinkState{0}; // 0 Stop, 1 Connect, 2 Buffering, 3 Online, 4 Error
    std::atomic<bool> TagsChanged{false};
    SharedText StreamName{255};
    SharedText StreamTitle{255};
    std::atomic<qint32> StreamRate{0};
    std::atomic<qint32> StreamBitRate{0};
    std::atomic<quint8> StreamChannels{0};
    std::atomic<bool> StreamInfoChanged{false};
    SharedText OpeningURL{4096}; // the address the worker is opening
    qint32 RecordRate = 0;
    qint32 RecordBitRate = 0;
    quint8 RecordChannels = 0;
    bool RecordInfoChanged = false;

    // The idle worker sleeps until woken: whoever sets the link state to Connect or
    // sets StopWorker wakes it, so an idle station costs no wake-ups at all.
    void WakeWorker();
    void WaitForWork();

    // The configuration is edited on the GUI thread while the worker reads it.
    mutable std::mutex ConfigLock;
    QString WorkerURL() const;
    int WorkerConnect() const;

private:
    std::counting_semaphore<1> workerBell_{0};
    std::atomic<bool> workerWoken_{false};
};

// Link states.
constexpr quint8 LINK_STOP = 0;
constexpr quint8 LINK_CONNECT = 1;
constexpr quint8 LINK_BUFFERING = 2;
constexpr quint8 LINK_ONLINE = 3;
constexpr quint8 LINK_ERROR = 4;

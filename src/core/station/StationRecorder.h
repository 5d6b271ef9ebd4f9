#pragma once

#include "codec/ACM.h"
#include "station/EncodeChain.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

class StationHost;
struct TStation;

// A station's recording: the decisions of its tick (which file, when to open and close
// it, what failed) over the encode chain that turns its decoded blocks into MPEG frames
// in the one file per clock hour, off the main thread.
class StationRecorder {
public:
    // How the recorder speaks through its station: the status line, a file error
    // (logged, listed, mailed) and the record button's face (true: the stop face).
    struct Outlet {
        std::function<void(const QString&)> statusLine;
        std::function<void(const QString&)> fileError;
        std::function<void(bool)> stopFace;
    };

    StationRecorder(StationHost& host, TStation& station, Outlet outlet);
    ~StationRecorder();

    bool Convert_PrepareActiveCodec();
    std::optional<AcmFormatEntry> GetActiveCodec() const;
    bool Convert_Start();
    void Convert_Stop();
    // The recording half of the block consumer: while recording, the blocks go
    // through both stages into the file.
    void Record_Blocks(QList<QByteArray> blocks);
    // Takes in what the chain reported, then closes and opens files as due.
    void Work_With_File();
    void TryOpenFile();
    void TryCloseFile();
    // The folder the record folder button opens.
    QString RecordingFolder() const;

    // Whether the chain was started for the current recording.
    bool Encoding() const { return chainOpen_; }
    const EncodeChain& Chain() const { return chain_; }

private:
    void closeChain(bool flush);
    void takeOutcome();
    void writeFailed();
    void retryAfterWriteFailure();
    void fail(const QString& text);
    QString recordingRoot() const;
    QString nextFileName(const QDateTime& time) const;

    StationHost& host_;
    TStation& st_;
    Outlet outlet_;
    // Chooses the codec on the main thread; the chain has its own encoder.
    TACM catalogue_{ACM_ENCODE, 44100, 2, WAVE_FORMAT_MPEGLAYER3, false};
    std::optional<AcmFormatEntry> activeCodec_;
    EncodeChain chain_;
    bool chainOpen_ = false;
    int chainRate_ = 0;
    int chainChannels_ = 0;
    // After a failed write: reported once until audio reaches a file again, and
    // retried once the disk guard lets recording go on.
    bool failing_ = false;
    bool writeBlocked_ = false;
    bool sawLowSpace_ = false;
    quint64 retryTick_ = 0;
};

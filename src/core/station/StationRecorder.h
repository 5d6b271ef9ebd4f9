#pragma once

#include "codec/ACM.h"
#include "codec/WaveConverter.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

class StationHost;
struct TStation;

// A station's recording: the PCM stage and the encoder that turn its decoded blocks
// into MPEG frames, and the one file per clock hour they are written to.
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
    // The recording half of the block consumer: while recording, the block goes
    // through both stages into the file.
    void Record_Block(const QByteArray& block);
    // The stream changed its rate or channels: the PCM stage starts again in the new
    // format while the encoder and the file go on.
    void SourceFormatChanged();
    void Work_With_File();
    void TryOpenFile();
    void TryCloseFile();
    // The folder the record folder button opens.
    QString RecordingFolder() const;

    const tWaveConverter& Resampler() const { return resampler_; }
    const TACM& Encoder() const { return encoder_; }

private:
    void WAV_Data(const quint8* bytes, qint32 count);
    void ACM_Data(const quint8* bytes, qint32 count);
    void ACM_Error(const QString& message);
    void fail(const QString& text);
    QString recordingRoot() const;
    QString nextFileName(const QDateTime& time) const;

    StationHost& host_;
    TStation& st_;
    Outlet outlet_;
    tWaveConverter resampler_;
    TACM encoder_{ACM_ENCODE, 44100, 2, WAVE_FORMAT_MPEGLAYER3, false};
    std::optional<AcmFormatEntry> activeCodec_;
};

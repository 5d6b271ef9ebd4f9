#pragma once

#include "station/BarImage.h"
#include "station/StationRecorder.h"
#include "station/StatusLook.h"
#include "station/StreamDisplay.h"
#include "station/TSilence.h"
#include "station/TStation.h"

#include <QObject>
#include <QPoint>
#include <QTimer>

class StationHost;

// One station without its window: the record, the stream worker, the silence
// detector and the 50 ms tick that drives them, reports events and keeps what a
// window or the web page shows. Runs on the main thread.
class StationEngine : public QObject {
    Q_OBJECT
public:
    StationEngine(StationHost& host, int index, int number, const StationConfig& config,
                  double bufferSeconds);
    ~StationEngine() override;

    TStation& Station() { return st_; }
    const TSilence& Silence() const { return silence_; }
    const StationRecorder& Recorder() const { return recorder_; }

    // Makes the station ready after its settings were read or changed: the recording
    // format it will use is chosen and shown.
    void InitParms();
    // The settings dialog's result (1 no restart, 2 recording changed, 3 address
    // changed) with the record it edited: the station restarts no more than needed,
    // then follows its start mode.
    void SettingsEdited(int result, const StationConfig& edited, bool soundAvailable);
    // Deleting is offered while the station is neither connected nor connecting.
    bool Deletable() const { return st_.LinkState == LINK_STOP; }
    bool Can_Enabled_Play() const;
    bool Can_Enabled_Rec() const;
    void Link_Start();
    void Link_Stop();
    void Record_Start();
    void Record_Stop();
    // The record button's click: its face decides between starting and stopping.
    void SBRClick();
    // The folder the record-folder button opens in the file manager.
    QString RecordingFolder() const { return recorder_.RecordingFolder(); }
    void SBOpenClick() const;

    void SBListenClick();
    void ListenUp();
    void ListenDown();
    void SetVolume(double percent);
    void Set_Sound(bool available);

    // One tick: status, buffer, blocks, connection detector, titles and formats.
    void TimerTimer();

    // Where the station's window stands, and where it was last stored.
    void MoveWindow(QPoint pos) { windowPos_ = pos; }
    QPoint WindowPos() const { return windowPos_; }
    QPoint SavedWindowPos() const { return savedWindowPos_; }
    void SetStoredWindowPos(QPoint pos) { windowPos_ = savedWindowPos_ = pos; }

    // What is shown.
    const StatusLook& Look() const { return look_; }
    QString StatusWord() const { return statusWord_; }
    QString StatusLine() const { return statusLine_; }
    int BufferFill() const { return fill_; }
    // The stream's level as the audio layer gives it (left in the low 16 bits, right in
    // the high ones); 0 while not online.
    quint32 RawLevel() const { return level_; }
    const FormatTexts& Formats() const { return formats_; }
    const StreamLabels& Labels() const { return labels_; }
    quint32 BufferColorNow() const { return BufferColor(fill_); }
    BarImage ConnectionBarFor(int width) const;
    // The buttons: enabled, and whether they show their stop face.
    bool LinkEnabled() const { return Can_Enabled_Play(); }
    bool LinkShowsStop() const { return st_.LinkState != LINK_STOP; }
    bool RecordEnabled() const { return Can_Enabled_Rec(); }
    bool RecordShowsStop() const { return recordStopFace_; }
    bool ListenVisible() const { return st_.SoundAvailable; }
    BarImage SilenceBarFor(int width) const { return Show_Silence(silence_, width); }

Q_SIGNALS:
    void statusWordChanged(const QString& word);
    void statusLineChanged(const QString& line);
    void labelsChanged(const QString& name, const QString& title);
    void changed();
    // The link stopped: the level meter starts afresh.
    void meterReset();

private:
    void showStatus();
    void setStatusLine(const QString& text);
    void workWithStream();
    void checkConnection();
    void OnSilence(quint8 mode);
    void report(const QString& logText, const QString& noticeText, const QString& command);

    StationHost& host_;
    TStation st_;
    TSilence silence_;
    Pulse pulse_;
    QTimer timer_;
    bool inTick_ = false;
    StationRecorder recorder_;
    bool recordStopFace_ = false;
    QPoint windowPos_;
    QPoint savedWindowPos_;
    StatusLook look_;
    QString statusWord_;
    QString statusLine_;
    int fill_ = 0;
    quint32 level_ = 0;
    FormatTexts formats_;
    StreamLabels labels_;
};

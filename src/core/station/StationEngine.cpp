#include "station/StationEngine.h"

#include "base/TickCount.h"
#include "lang/QVLanguage.h"
#include "notify/RunExec.h"
#include "station/ConnectionCheck.h"
#include "station/StationHost.h"
#include "station/StreamWorker.h"

#include <utility>

StationEngine::StationEngine(StationHost& host, int index, int number, const StationConfig& config,
                             double bufferSeconds)
    : host_(host), recorder_(host, st_,
                             {[this](const QString& text) { setStatusLine(text); },
                              [this](const QString& text) { report(text, text, QString()); },
                              [this](bool stop) { recordStopFace_ = stop; }}) {
    st_.Index = index;
    st_.Number = number;
    st_.Config = config;
    st_.BufferTimeout = bufferSeconds;
    st_.FileHandle = -1;
    st_.LastCheckTick = GetTickCount64Ex();
    silence_.OnChange = [this](TSilence&, quint8 mode) { OnSilence(mode); };
    st_.WorkerThread = std::thread(StreamWorker, &st_);
    connect(&timer_, &QTimer::timeout, this, &StationEngine::TimerTimer);
    timer_.start(50);
}

StationEngine::~StationEngine() {
    timer_.stop();
    if (st_.RecState != 0)
        Record_Stop();
    if (st_.LinkState != LINK_STOP)
        Link_Stop();
    // The worker acknowledges the stop by clearing the flag as it ends.
    st_.StopWorker = true;
    st_.WakeWorker();
    st_.WorkerThread.join();
    st_.BlockQueue.Clear();
}

void StationEngine::InitParms() {
    recorder_.Convert_PrepareActiveCodec();
    Q_EMIT changed();
}

void StationEngine::SettingsEdited(int result, const StationConfig& edited, bool soundAvailable) {
    if (result <= 0)
        return;
    {
        const std::lock_guard lock(st_.ConfigLock);
        st_.Config = edited;
    }
    const StationConfig& c = st_.Config;
    const bool linked = st_.LinkState != LINK_STOP;
    const bool recording = st_.RecState != 0;
    if (result == 1 && linked) {
        if (silence_.Mode == TSilence::WaitSound)
            silence_.Setup(TSilence::WaitSound, c.Level, c.NoSilence);
        else
            silence_.Setup(TSilence::WaitSilence, c.Level, c.Silence);
    } else if (result == 2 && recording) {
        Record_Stop();
        InitParms();
        Record_Start();
    } else if (result == 3) {
        if (recording)
            Record_Stop();
        if (linked)
            Link_Stop();
        InitParms();
        if (linked)
            Link_Start();
        if (recording)
            Record_Start();
    } else {
        InitParms();
    }
    if (c.Mode >= 1 && st_.LinkState == LINK_STOP)
        Link_Start();
    if (c.Mode == 2 && st_.RecState == 0)
        Record_Start();
    Set_Sound(soundAvailable);
}

bool StationEngine::Can_Enabled_Play() const {
    return !st_.WorkerURL().isEmpty() && st_.RecState == 0;
}

bool StationEngine::Can_Enabled_Rec() const {
    const std::lock_guard lock(st_.ConfigLock);
    return !st_.Config.URL.isEmpty() && !st_.Config.Driver.isEmpty() && st_.Config.Codec >= 0;
}

void StationEngine::Link_Start() {
    silence_.Setup(TSilence::WaitSilence, st_.Config.Level, st_.Config.Silence);
    if (st_.LinkState != LINK_STOP || !Can_Enabled_Play())
        return;
    st_.LastCheckTick = GetTickCount64Ex();
    st_.ConnectionLost = false;
    st_.LossSeconds = 0.0;
    st_.LinkState = LINK_CONNECT;
    st_.WakeWorker();
    Q_EMIT changed();
}

void StationEngine::Link_Stop() {
    // A recording blocked by an error (state 2) ends too, or it would reopen files
    // on a stopped link.
    if (st_.RecState != 0)
        Record_Stop();
    Stream_Release(st_);
    st_.BlockQueue.Clear();
    Q_EMIT meterReset();
    silence_.Setup(TSilence::Off, 0, 0);
    st_.LinkState = LINK_STOP;
    st_.MessagePending = true;
    setStatusLine(host_.Language().GetMessage(QStringLiteral("Stop")));
    Q_EMIT changed();
}

void StationEngine::Record_Start() {
    if (!Can_Enabled_Rec())
        return;
    Link_Start();
    // An open file is kept: dropping its handle would leave it untagged and open.
    if (st_.FileHandle < 0)
        st_.FileHour = 255;
    recordStopFace_ = true;
    st_.RecState = 1;
    Q_EMIT changed();
}

void StationEngine::Record_Stop() {
    // What the stream delivered up to the stop still belongs in the file.
    workWithStream();
    recorder_.Convert_Stop();
    st_.RecState = 0;
    Q_EMIT changed();
}

void StationEngine::SBRClick() {
    if (recordStopFace_)
        Record_Stop();
    else
        Record_Start();
}

void StationEngine::SBOpenClick() const {
    OpenFolder(RecordingFolder());
}

void StationEngine::setStatusLine(const QString& text) {
    if (text == statusLine_)
        return;
    statusLine_ = text;
    Q_EMIT statusLineChanged(text);
}

void StationEngine::SBListenClick() {
    const bool was = st_.Listening;
    host_.ListenShutup();
    if (was)
        host_.WriteListenChannel(-1);
    else
        ListenUp();
}

void StationEngine::ListenUp() {
    st_.Listening = true;
    SetVolume(100);
    host_.WriteListenChannel(st_.Number);
    Q_EMIT changed();
}

void StationEngine::ListenDown() {
    st_.Listening = false;
    SetVolume(0);
    Q_EMIT changed();
}

void StationEngine::SetVolume(double percent) {
    BASS_ChannelSetAttribute(st_.StreamHandle, BASS_ATTRIB_VOL, float(percent / 100.0));
    st_.ListenVolume = percent;
}

void StationEngine::Set_Sound(bool available) {
    st_.SoundAvailable = available;
    Q_EMIT changed();
}

void StationEngine::TimerTimer() {
    if (inTick_)
        return;
    inTick_ = true;
    showStatus();
    const HSTREAM stream = st_.StreamHandle;
    level_ = st_.LinkState == LINK_ONLINE && stream ? BASS_ChannelGetLevel(stream) : 0;
    fill_ = Show_Buffer(st_);
    recorder_.Work_With_File();
    workWithStream();
    checkConnection();
    if (HintFormer(st_, labels_))
        Q_EMIT labelsChanged(labels_.Station, labels_.Title);
    Show_Info_Freq(st_, formats_);
    inTick_ = false;
    Q_EMIT changed();
}

void StationEngine::showStatus() {
    look_ = Show_Status(st_.LinkState, st_.RecState, st_.LessSize,
                        silence_.Mode == TSilence::WaitSound, pulse_);
    const QString word = host_.Language().GetMessage(look_.Word);
    {
        const std::lock_guard lock(st_.StatusLock);
        st_.Status.StatusText = word;
        if (!look_.KeepsStatusColors) {
            st_.Status.StatusBackColor = look_.StatusBack;
            st_.Status.StatusTextColor = look_.StatusText;
        }
    }
    if (word != statusWord_) {
        statusWord_ = word;
        Q_EMIT statusWordChanged(word);
    }
    if (st_.Listening && !st_.SoundAvailable)
        host_.ListenShutup();
}

void StationEngine::workWithStream() {
    QList<QByteArray> blocks;
    PcmBlock block;
    while (st_.BlockQueue.TakeOldest(&block)) {
        if (block.Rate != st_.StreamRate || block.Channels != st_.StreamChannels) {
            // The stream changed its format: shown, and recorded from here in the new
            // one, after the blocks of the old one.
            recorder_.Record_Blocks(std::exchange(blocks, {}));
            st_.StreamRate = block.Rate;
            st_.StreamChannels = block.Channels;
            st_.StreamInfoChanged = true;
        }
        silence_.Process(reinterpret_cast<const qint16*>(block.Data.constData()),
                         int(block.Data.size()), block.Channels, block.Rate);
        blocks.append(std::move(block.Data));
    }
    recorder_.Record_Blocks(std::move(blocks));
}

void StationEngine::checkConnection() {
    if (st_.MessagePending.exchange(false))
        setStatusLine(st_.Message.get());
    const ConnectionEvent event = Check_Connection(st_, GetTickCount64Ex());
    if (event == ConnectionEvent::Lost) {
        const QString message = st_.Message.get();
        report(message,
               host_.Language().GetMessage(QStringLiteral("CantPlay"), QString(), {message}),
               st_.Config.EBreak);
    } else if (event == ConnectionEvent::Restored) {
        const QString text = host_.Language().GetMessage(QStringLiteral("RestoreConnect"));
        report(text, text, st_.Config.ERestore);
    }
}

void StationEngine::OnSilence(quint8 mode) {
    const StationConfig& c = st_.Config;
    if (mode == TSilence::WaitSilence) {
        silence_.Setup(TSilence::WaitSound, c.Level, c.NoSilence);
        const QString text = host_.Language().GetMessage(QStringLiteral("SilenceChannel"));
        report(text, text + QStringLiteral("\rТишина в канале!"), c.ESilence);
    } else if (mode == TSilence::WaitSound) {
        silence_.Setup(TSilence::WaitSilence, c.Level, c.Silence);
        const QString text = host_.Language().GetMessage(QStringLiteral("RestoreChannel"));
        report(text, text + QStringLiteral("\rВосстановление эфира"), c.ENoSilence);
    }
}

// Every station event goes to the event log, the error list, the mail queue and the
// operator's command, in that order.
void StationEngine::report(const QString& logText, const QString& noticeText,
                           const QString& command) {
    host_.LogEvent(st_.Config.Name, logText);
    {
        const std::lock_guard lock(st_.StatusLock);
        ErrorListAdd(st_.Status, logText);
    }
    host_.QueueNotice(st_.Config.BCCMail, st_.Config.Name, noticeText);
    host_.RunCommand(command);
}

BarImage StationEngine::ConnectionBarFor(int width) const {
    return ConnectionBar(st_, width);
}

#include "station/StationRecorder.h"

#include "base/TickCount.h"
#include "base/WorkerPool.h"
#include "lang/QVLanguage.h"
#include "recording/FileNames.h"
#include "recording/OpenRecordings.h"
#include "recording/RecordingFile.h"
#include "settings/FSettings.h"
#include "station/StationHost.h"
#include "station/TStation.h"

#include <QFileInfo>

#include <fcntl.h>

#include <utility>

namespace {

// A disk that failed a write is tried again after the disk guard's next look at it.
constexpr quint64 kWriteRetryMs = 60000;

} // namespace

StationRecorder::StationRecorder(StationHost& host, TStation& station, Outlet outlet)
    : host_(host), st_(station), outlet_(std::move(outlet)),
      chain_(host.EncodingPool().NewStrand()) {}

StationRecorder::~StationRecorder() = default;

std::optional<AcmFormatEntry> StationRecorder::GetActiveCodec() const {
    if (st_.Config.Codec < 0)
        return std::nullopt;
    const AcmFormatEntry* entry =
        catalogue_.FormatAt(catalogue_.IndexOfFormat(catalogue_.FormatTag, quint32(st_.Config.Codec)));
    return entry ? std::optional(*entry) : std::nullopt;
}

bool StationRecorder::Convert_PrepareActiveCodec() {
    const StationConfig& c = st_.Config;
    if (c.Driver.isEmpty()) {
        activeCodec_.reset();
        return false;
    }
    catalogue_.SetSampleRate(c.Bitrate);
    catalogue_.SetChannels(c.Channels);
    catalogue_.Enumerate();
    catalogue_.SelectDriver(c.Driver);
    activeCodec_ = GetActiveCodec();
    if (activeCodec_) {
        st_.RecordRate = c.Bitrate;
        st_.RecordChannels = quint8(c.Channels);
        st_.RecordBitRate = qint32(FormatHead(activeCodec_->Format).nAvgBytesPerSec * 8);
    } else {
        st_.RecordRate = 0;
        st_.RecordChannels = 0;
        st_.RecordBitRate = 0;
    }
    st_.RecordInfoChanged = true;
    return activeCodec_.has_value();
}

bool StationRecorder::Convert_Start() {
    if (!Convert_PrepareActiveCodec())
        return false;
    chainRate_ = st_.StreamRate;
    chainChannels_ = st_.StreamChannels;
    chain_.Start({chainRate_, chainChannels_, st_.RecordRate, st_.RecordChannels, *activeCodec_});
    chainOpen_ = true;
    outlet_.stopFace(true);
    return true;
}

void StationRecorder::Convert_Stop() {
    outlet_.stopFace(false);
    // A chain blocked by an error is not flushed; the next start discards what it holds.
    closeChain(st_.RecState == 1);
}

void StationRecorder::closeChain(bool flush) {
    flush = flush && chainOpen_;
    chainOpen_ = false;
    if (st_.FileHandle >= 0) {
        chain_.Finish(flush, WriteTag(st_.FileStartTime, host_.Now(), st_.Config.Name));
        st_.FileHandle = -1;
        st_.FileHour = 255;
    } else if (flush) {
        chain_.Finish(true, {});
    }
}

void StationRecorder::Record_Blocks(QList<QByteArray> blocks) {
    if (st_.RecState != 1 || blocks.isEmpty())
        return;
    if (!chainOpen_)
        Convert_Start();
    if (!chainOpen_)
        return;
    // A reconnect to a mirror may bring another rate or channel count.
    if (st_.StreamRate != chainRate_ || st_.StreamChannels != chainChannels_) {
        chainRate_ = st_.StreamRate;
        chainChannels_ = st_.StreamChannels;
        chain_.FollowSource(chainRate_, chainChannels_);
    }
    chain_.Feed(std::move(blocks));
}

void StationRecorder::takeOutcome() {
    const EncodeChain::Outcome outcome = chain_.Collect();
    if (outcome.written > 0)
        failing_ = false;
    if (outcome.startFailed)
        chainOpen_ = false;
    if (outcome.writeFailed && st_.FileHandle >= 0)
        writeFailed();
    if (!outcome.codecError.isEmpty()) {
        st_.RecState = 2;
        outlet_.statusLine(host_.Language().GetMessage(QStringLiteral("ErrorCodec"), QString(),
                                                       {outcome.codecError}));
    }
}

// The disk took less than given: the file is closed (with its tag if it still fits),
// the failure reported like every file error, and the disk guard asked to look now.
void StationRecorder::writeFailed() {
    closeChain(false);
    st_.RecState = 2;
    writeBlocked_ = true;
    sawLowSpace_ = false;
    retryTick_ = GetTickCount64Ex() + kWriteRetryMs;
    host_.CheckDiskSoon();
    const QString text = host_.Language().GetMessage(QStringLiteral("ErrorRec"));
    if (std::exchange(failing_, true))
        outlet_.statusLine(text);
    else
        fail(text);
}

// Once the disk guard has seen the space low and then back (its hysteresis), or after
// a minute when it saw nothing, a new file is tried.
void StationRecorder::retryAfterWriteFailure() {
    if (st_.RecState != 2)
        writeBlocked_ = false;
    if (!writeBlocked_)
        return;
    sawLowSpace_ = sawLowSpace_ || st_.LessSize;
    if (!st_.LessSize && (sawLowSpace_ || GetTickCount64Ex() >= retryTick_)) {
        writeBlocked_ = false;
        st_.RecState = 1;
    }
}

void StationRecorder::Work_With_File() {
    takeOutcome();
    retryAfterWriteFailure();
    TryCloseFile();
    TryOpenFile();
}

void StationRecorder::TryCloseFile() {
    if (st_.FileHandle < 0)
        return;
    if (st_.RecState != 1 || st_.LessSize || host_.Now().time().hour() != st_.FileHour) {
        Convert_Stop();
        if (st_.RecState == 2)
            st_.RecState = 1;
    }
}

void StationRecorder::TryOpenFile() {
    if (st_.FileHandle >= 0 || st_.RecState != 1 || st_.LessSize)
        return;
    const QDateTime now = host_.Now();
    st_.FileHour = quint8(now.time().hour());
    st_.FileName = nextFileName(now);
    // The same name again (a restart within the second, a rolling template): this
    // station's last file may still be being finished by its chain.
    if (OpenRecordings::Holds(st_.FileName))
        chain_.Wait();
    QString failedFolder;
    const int result = CreateFileName(st_.FileName, &failedFolder);
    if (result != FILE_CREATED) {
        static const char* const keys[] = {"", "ErrorCreateFolder", "ErrorDeleteFile",
                                           "ErrorCreateFile"};
        if (result == FILE_FOLDER_FAILED)
            st_.FileName = failedFolder;
        fail(host_.Language().GetMessage(QLatin1String(keys[result]), QString(), {st_.FileName}));
        return;
    }
    st_.FileStartTime = now;
    const QString display = RecordingDisplayName(st_.FileName, recordingRoot());
    st_.FileHandle = ::open(QFile::encodeName(st_.FileName).constData(), O_RDWR | O_CLOEXEC);
    if (st_.FileHandle < 0) {
        fail(QStringLiteral("Error open file ") + display);
        return;
    }
    OpenRecordings::Add(st_.FileHandle);
    chain_.SetFile(st_.FileHandle);
    if (st_.Config.SaveFiles > 0)
        host_.AddFile(st_.Number, st_.FileName);
    outlet_.statusLine(display);
}

void StationRecorder::fail(const QString& text) {
    st_.RecState = 2;
    outlet_.statusLine(text);
    outlet_.fileError(text);
}

QString StationRecorder::recordingRoot() const {
    return RecordingRoot(host_.GlobalSettings().Root, host_.ProgramFolder());
}

QString StationRecorder::nextFileName(const QDateTime& time) const {
    const TSettings& s = host_.GlobalSettings();
    return RecordingFileName(s.Root, host_.ProgramFolder(), s.FileNames, st_.Config.FileDir, time);
}

QString StationRecorder::RecordingFolder() const {
    const QString file = st_.FileName.isEmpty() ? nextFileName(host_.Now()) : st_.FileName;
    return QFileInfo(file).path();
}

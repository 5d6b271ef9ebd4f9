#include "station/StationRecorder.h"

#include "base/TextCut.h"
#include "lang/QVLanguage.h"
#include "recording/FileNames.h"
#include "recording/OpenRecordings.h"
#include "recording/RecordingFile.h"
#include "settings/FSettings.h"
#include "station/StationHost.h"
#include "station/TStation.h"

#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kFileNameCapacity = 192;

// False when the disk took fewer bytes than given (full, or over a size limit).
bool writeAll(int fd, const quint8* bytes, qint32 count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, bytes, size_t(count));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        count -= qint32(n);
    }
    return true;
}

} // namespace

StationRecorder::StationRecorder(StationHost& host, TStation& station, Outlet outlet)
    : host_(host), st_(station), outlet_(std::move(outlet)) {
    resampler_.OnData = [this](const quint8* b, qint32 n) { WAV_Data(b, n); };
    encoder_.OnData = [this](const quint8* b, qint32 n) { ACM_Data(b, n); };
    encoder_.OnError = [this](const QString& message) { ACM_Error(message); };
}

StationRecorder::~StationRecorder() {
    resampler_.Close();
    encoder_.Close();
}

std::optional<AcmFormatEntry> StationRecorder::GetActiveCodec() const {
    if (st_.Config.Codec < 0)
        return std::nullopt;
    const AcmFormatEntry* entry =
        encoder_.FormatAt(encoder_.IndexOfFormat(encoder_.FormatTag, quint32(st_.Config.Codec)));
    return entry ? std::optional(*entry) : std::nullopt;
}

bool StationRecorder::Convert_PrepareActiveCodec() {
    const StationConfig& c = st_.Config;
    if (c.Driver.isEmpty()) {
        activeCodec_.reset();
        return false;
    }
    encoder_.SetSampleRate(c.Bitrate);
    encoder_.SetChannels(c.Channels);
    encoder_.Enumerate();
    encoder_.SelectDriver(c.Driver);
    encoder_.SetThreshold(512);
    encoder_.SetInputBufferSize(2 * encoder_.SampleRate());
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
    resampler_.Close();
    resampler_.SetSourceFormat(st_.StreamRate, st_.StreamChannels, 16);
    resampler_.SetDestFormat(st_.RecordRate, st_.RecordChannels, 16);
    if (!resampler_.Open() || encoder_.Open(*activeCodec_) != MMSYSERR_NOERROR)
        return false;
    st_.RecordBitRate = qint32(FormatHead(activeCodec_->Format).nAvgBytesPerSec * 8);
    st_.RecordInfoChanged = true;
    outlet_.stopFace(true);
    return true;
}

void StationRecorder::Convert_Stop() {
    outlet_.stopFace(false);
    if (st_.RecState == 1) {
        // The PCM stage's flush feeds the encoder, whose flush goes to the file.
        resampler_.Close();
        encoder_.Close();
    }
    if (st_.FileHandle >= 0) {
        const QByteArray tag = WriteTag(st_.FileStartTime, host_.Now(), st_.Config.Name);
        writeAll(st_.FileHandle, reinterpret_cast<const quint8*>(tag.constData()),
                 qint32(tag.size()));
        OpenRecordings::Remove(st_.FileHandle);
        ::close(st_.FileHandle);
        st_.FileHandle = -1;
        st_.FileHour = 255;
    }
}

void StationRecorder::Record_Block(const QByteArray& block) {
    if (st_.RecState != 1)
        return;
    if (!resampler_.IsOpen)
        Convert_Start();
    resampler_.Convert(reinterpret_cast<const quint8*>(block.constData()), qint32(block.size()));
}

void StationRecorder::WAV_Data(const quint8* bytes, qint32 count) {
    if (encoder_.IsOpen)
        encoder_.Convert(bytes, count);
}

void StationRecorder::ACM_Data(const quint8* bytes, qint32 count) {
    if (st_.FileHandle < 0 || writeAll(st_.FileHandle, bytes, count))
        return;
    OpenRecordings::Remove(st_.FileHandle);
    ::close(st_.FileHandle);
    st_.FileHandle = -1;
    st_.RecState = 2;
    encoder_.Close();
    // Set last, so that it is what the status line finally shows.
    outlet_.statusLine(host_.Language().GetMessage(QStringLiteral("ErrorRec")));
}

void StationRecorder::ACM_Error(const QString& message) {
    st_.RecState = 2;
    outlet_.statusLine(
        host_.Language().GetMessage(QStringLiteral("ErrorCodec"), QString(), {message}));
}

void StationRecorder::Work_With_File() {
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
    st_.FileName = CutText(nextFileName(now), kFileNameCapacity);
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

#include "codec/ACM.h"

#include "base/TextCut.h"
#include "codec/PcmDriver.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int kNameCapacity = 128;
constexpr qint32 kMinBuffer = 512;

} // namespace

TACM::TACM(quint8 direction, int sampleRate, int channels, quint16 formatTag, bool enumerate)
    : FormatTag(formatTag), Channels(channels), Direction(direction), sampleRate_(sampleRate) {
    buildPcmFormat();
    allocateInput(std::max(kMinBuffer, qint32(FormatHead(PcmFormat).nAvgBytesPerSec / 4)));
    Threshold = InputSize / 4;
    if (enumerate)
        Enumerate();
}

TACM::~TACM() = default;

// False, leaving the block as it was, when a value does not fit its field.
bool TACM::buildPcmFormat() {
    const qint64 align = qint64(BitsPerSample) / 8 * Channels;
    const qint64 perSecond = qint64(sampleRate_) * align;
    if (sampleRate_ < 0 || Channels < 0 || Channels > 65535 || BitsPerSample < 0 ||
        BitsPerSample > 65535 || align > 65535 || perSecond > std::numeric_limits<quint32>::max())
        return false;
    PcmFormat = FormatBlock(PcmFormatHead(sampleRate_, Channels, BitsPerSample));
    return true;
}

bool TACM::SetSampleRate(int rate) {
    sampleRate_ = rate;
    return buildPcmFormat();
}

bool TACM::SetChannels(int channels) {
    Channels = channels;
    return buildPcmFormat();
}

int TACM::SampleRate() const {
    return int(FormatHead(PcmFormat).nSamplesPerSec);
}

void TACM::Enumerate() {
    Drivers.clear();
    if (acmMetrics(ACM_METRIC_MAX_SIZE_FORMAT, &MaxFormatSize) != MMSYSERR_NOERROR ||
        !buildPcmFormat())
        return;
    acmDriverEnum([this](HACMDRIVERID id) {
        QString name;
        if (acmDriverDetails(id, &name) == MMSYSERR_NOERROR)
            Drivers.append({id, CutText(name, kNameCapacity), {}});
        return true;
    });
    enumerateFormats();
    prune();
}

void TACM::enumerateFormats() {
    const WAVEFORMATEX pcm = FormatHead(PcmFormat);
    // A tag filter of 0, or the PCM block's own extra size, lets every tag through.
    const quint16 filter = FormatTag != 0 ? FormatTag : pcm.cbSize;
    acmFormatEnum(
        nullptr, PcmFormat,
        [&](HACMDRIVERID id, const ACMFORMATDETAILS& details) {
            if (filter != 0 && filter != 18 && filter != details.dwFormatTag)
                return true;
            const WAVEFORMATEX head = FormatHead(details.pwfx);
            if (head.nSamplesPerSec != pcm.nSamplesPerSec || head.nChannels != pcm.nChannels)
                return true;
            auto driver = std::find_if(Drivers.begin(), Drivers.end(),
                                       [id](const AcmDriverEntry& d) { return d.DriverId == id; });
            if (driver == Drivers.end() || !probe(id, details))
                return true;
            driver->Formats.append({id, details.dwFormatIndex,
                                    CutText(details.szFormat, kNameCapacity), details.pwfx});
            return true;
        },
        ACM_FORMATENUMF_CONVERT);
}

// Whether the driver really converts between the PCM and this format: it must
// suggest a format of the same tag for the direction in use.
bool TACM::probe(HACMDRIVERID id, const ACMFORMATDETAILS& details) const {
    HACMDRIVER driver = nullptr;
    if (acmDriverOpen(&driver, id) != MMSYSERR_NOERROR)
        return false;
    QByteArray pcm = PcmFormat;
    QByteArray format = details.pwfx;
    MMRESULT result;
    if (Direction == ACM_ENCODE) {
        result = acmFormatSuggest(driver, pcm, &format, quint32(details.pwfx.size()),
                                  ACM_FORMATSUGGESTF_WFORMATTAG);
    } else {
        WAVEFORMATEX head = FormatHead(pcm);
        head.wFormatTag = WAVE_FORMAT_PCM;
        pcm = FormatBlock(head);
        result = acmFormatSuggest(driver, format, &pcm, sizeof(WAVEFORMATEX),
                                  ACM_FORMATSUGGESTF_WFORMATTAG);
    }
    acmDriverClose(driver);
    return result == MMSYSERR_NOERROR;
}

void TACM::prune() {
    for (AcmDriverEntry& driver : Drivers)
        if (RateFilter)
            driver.Formats.removeIf([this](const AcmFormatEntry& f) {
                return FormatHead(f.Format).nSamplesPerSec != quint32(sampleRate_);
            });
    Drivers.removeIf([](const AcmDriverEntry& d) { return d.Formats.isEmpty(); });
}

QString TACM::DriverName(int position) const {
    return position >= 0 && position < DriverCount() ? Drivers[position].LongName : QString();
}

bool TACM::SelectDriver(const QString& name) {
    for (int i = 0; i < DriverCount(); ++i)
        if (Drivers[i].LongName == name) {
            CurrentDriver = i;
            return true;
        }
    return false;
}

int TACM::FormatCount() const {
    return CurrentDriver >= 0 && CurrentDriver < DriverCount()
               ? int(Drivers[CurrentDriver].Formats.size())
               : 0;
}

QString TACM::FormatName(int position) const {
    const AcmFormatEntry* entry = FormatAt(position);
    return entry ? entry->Description : QString();
}

const AcmFormatEntry* TACM::FormatAt(int position) const {
    if (position < 0 || position >= FormatCount())
        return nullptr;
    return &Drivers[CurrentDriver].Formats[position];
}

int TACM::IndexOfFormat(quint16 tag, quint32 formatIndex) const {
    for (int i = 0; i < FormatCount(); ++i) {
        const AcmFormatEntry& f = Drivers[CurrentDriver].Formats[i];
        if (FormatHead(f.Format).wFormatTag == tag && f.FormatIndex == formatIndex)
            return i;
    }
    return -1;
}

const AcmFormatEntry* TACM::FindFormat(const QString& driverName,
                                       const QString& description) const {
    for (const AcmDriverEntry& driver : Drivers) {
        if (driver.LongName != driverName)
            continue;
        for (const AcmFormatEntry& f : driver.Formats)
            if (f.Description == description)
                return &f;
    }
    return nullptr;
}

MMRESULT TACM::Open(const AcmFormatEntry& entry) {
    if (IsOpen)
        return MMSYSERR_ERROR;
    if (const MMRESULT r = openStream(entry))
        return r;
    if (const MMRESULT r = prepareBuffers(0)) {
        releaseStream();
        return r;
    }
    // Bytes of an earlier stream never belong to a new one.
    Filled = 0;
    ConvertFlags = ACM_STREAMCONVERTF_START;
    IsOpen = true;
    ActiveFormat = entry;
    if (OnOpen)
        OnOpen();
    return MMSYSERR_NOERROR;
}

MMRESULT TACM::openStream(const AcmFormatEntry& entry) {
    HACMDRIVER driver = nullptr;
    if (OpenDriverFirst)
        if (const MMRESULT r = acmDriverOpen(&driver, entry.DriverId))
            return r;
    MMRESULT r;
    if (Direction == ACM_ENCODE) {
        r = acmStreamOpen(&Stream, driver, PcmFormat, entry.Format, ACM_STREAMOPENF_NONREALTIME);
    } else {
        r = acmStreamOpen(&Stream, driver, entry.Format, PcmFormat, ACM_STREAMOPENF_NONREALTIME);
        QByteArray pcm = FormatBlock(PcmFormatHead(0, 0));
        if (r != MMSYSERR_NOERROR &&
            acmFormatSuggest(nullptr, entry.Format, &pcm, sizeof(WAVEFORMATEX),
                             ACM_FORMATSUGGESTF_WFORMATTAG) == MMSYSERR_NOERROR) {
            PcmFormat = pcm;
            r = acmStreamOpen(&Stream, nullptr, entry.Format, PcmFormat,
                              ACM_STREAMOPENF_NONREALTIME);
        }
    }
    if (driver)
        acmDriverClose(driver);
    return r;
}

void TACM::Close() {
    if (!IsOpen)
        return;
    ConvertFlags = ACM_STREAMCONVERTF_END;
    Convert(nullptr, 0);
    IsOpen = false;
    releaseStream();
    if (OnClose)
        OnClose();
}

void TACM::SetInputBufferSize(qint32 bytes) {
    allocateInput(std::max(kMinBuffer, bytes));
    Threshold = std::min(Threshold, InputSize);
}

void TACM::SetThreshold(qint32 bytes) {
    Threshold = std::clamp(bytes, kMinBuffer, std::max(kMinBuffer, InputSize));
}

void TACM::sourceUsed(qint32 used) {
    if (OnSourceUsed)
        OnSourceUsed(reinterpret_cast<const quint8*>(InputBuffer.constData()), used);
}

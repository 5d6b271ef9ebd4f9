#include "codec/AcmLayer.h"

#include "codec/AcmDriver.h"
#include "codec/LameDriver.h"
#include "codec/PcmDriver.h"

#include <cstring>
#include <mutex>
#include <vector>

struct AcmOpenDriver {
    HACMDRIVERID id = 0;
    std::shared_ptr<AcmDriver> driver;
};

struct AcmStreamObject {
    std::unique_ptr<AcmConversion> conversion;
};

namespace {

struct Installed {
    HACMDRIVERID id;
    std::shared_ptr<AcmDriver> driver;
};

// The installed drivers; callers take a copy so that no lock is held while a
// driver works or a callback runs.
class DriverTable {
public:
    DriverTable() {
        add(std::make_shared<LameDriver>());
        add(std::make_shared<PcmDriver>());
    }
    HACMDRIVERID add(std::shared_ptr<AcmDriver> driver) {
        const std::lock_guard lock(mutex_);
        drivers_.push_back({++lastId_, std::move(driver)});
        return lastId_;
    }
    bool remove(HACMDRIVERID id) {
        const std::lock_guard lock(mutex_);
        return std::erase_if(drivers_, [id](const Installed& d) {
                   return d.id == id && d.driver.use_count() == 1;
               }) > 0;
    }
    std::vector<Installed> all() const {
        const std::lock_guard lock(mutex_);
        return drivers_;
    }
    std::shared_ptr<AcmDriver> find(HACMDRIVERID id) const {
        const std::lock_guard lock(mutex_);
        for (const Installed& d : drivers_)
            if (d.id == id)
                return d.driver;
        return nullptr;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Installed> drivers_;
    HACMDRIVERID lastId_ = 0;
};

DriverTable& drivers() {
    static DriverTable table;
    return table;
}

} // namespace

WAVEFORMATEX FormatHead(const QByteArray& block) {
    WAVEFORMATEX head;
    if (block.size() >= qsizetype(sizeof head))
        std::memcpy(&head, block.constData(), sizeof head);
    return head;
}

QByteArray FormatBlock(const WAVEFORMATEX& head, const QByteArray& tail) {
    return QByteArray(reinterpret_cast<const char*>(&head), sizeof head) + tail;
}

MMRESULT acmMetrics(quint32 metric, quint32* value) {
    if (metric != ACM_METRIC_MAX_SIZE_FORMAT || !value)
        return MMSYSERR_INVALPARAM;
    *value = sizeof(WAVEFORMATEX);
    for (const Installed& d : drivers().all())
        *value = std::max(*value, d.driver->MaxFormatSize());
    return MMSYSERR_NOERROR;
}

MMRESULT acmDriverEnum(const ACMDRIVERENUMCB& callback) {
    for (const Installed& d : drivers().all())
        if (!callback(d.id))
            break;
    return MMSYSERR_NOERROR;
}

MMRESULT acmDriverDetails(HACMDRIVERID id, QString* longName) {
    const auto driver = drivers().find(id);
    if (!driver)
        return MMSYSERR_INVALHANDLE;
    *longName = driver->LongName();
    return MMSYSERR_NOERROR;
}

MMRESULT acmDriverOpen(HACMDRIVER* driver, HACMDRIVERID id) {
    auto found = drivers().find(id);
    if (!found)
        return MMSYSERR_INVALHANDLE;
    if (!found->Open())
        return MMSYSERR_ERROR;
    *driver = new AcmOpenDriver{id, std::move(found)};
    return MMSYSERR_NOERROR;
}

MMRESULT acmDriverClose(HACMDRIVER driver) {
    if (!driver)
        return MMSYSERR_INVALHANDLE;
    delete driver;
    return MMSYSERR_NOERROR;
}

MMRESULT acmFormatEnum(HACMDRIVER driver, const QByteArray& source, const ACMFORMATENUMCB& callback,
                       quint32 flags) {
    if (!(flags & ACM_FORMATENUMF_CONVERT) || source.size() < qsizetype(sizeof(WAVEFORMATEX)))
        return MMSYSERR_INVALPARAM;
    std::vector<Installed> list =
        driver ? std::vector<Installed>{{driver->id, driver->driver}} : drivers().all();
    for (const Installed& d : list)
        for (const ACMFORMATDETAILS& details : d.driver->FormatsFrom(FormatHead(source)))
            if (!callback(d.id, details))
                return MMSYSERR_NOERROR;
    return MMSYSERR_NOERROR;
}

MMRESULT acmFormatSuggest(HACMDRIVER driver, const QByteArray& source, QByteArray* dest,
                          quint32 destSize, quint32 flags) {
    if (!dest || !(flags & ACM_FORMATSUGGESTF_WFORMATTAG))
        return MMSYSERR_INVALPARAM;
    const quint16 tag = FormatHead(*dest).wFormatTag;
    std::vector<Installed> list =
        driver ? std::vector<Installed>{{driver->id, driver->driver}} : drivers().all();
    for (const Installed& d : list) {
        QByteArray suggested;
        if (d.driver->Suggest(source, tag, &suggested)) {
            if (quint32(suggested.size()) > destSize)
                return MMSYSERR_INVALPARAM;
            *dest = suggested;
            return MMSYSERR_NOERROR;
        }
    }
    return ACMERR_NOTPOSSIBLE;
}

MMRESULT acmStreamOpen(HACMSTREAM* stream, HACMDRIVER driver, const QByteArray& source,
                       const QByteArray& dest, quint32 flags) {
    if (!stream || !(flags & ACM_STREAMOPENF_NONREALTIME))
        return MMSYSERR_INVALPARAM;
    std::vector<Installed> list =
        driver ? std::vector<Installed>{{driver->id, driver->driver}} : drivers().all();
    for (const Installed& d : list) {
        if (auto conversion = d.driver->OpenStream(source, dest)) {
            *stream = new AcmStreamObject{std::move(conversion)};
            return MMSYSERR_NOERROR;
        }
    }
    return ACMERR_NOTPOSSIBLE;
}

MMRESULT acmStreamSize(HACMSTREAM stream, quint32 sourceBytes, quint32* destBytes, quint32 flags) {
    if (!stream || !destBytes || flags != ACM_STREAMSIZEF_SOURCE)
        return MMSYSERR_INVALPARAM;
    *destBytes = stream->conversion->DestSize(sourceBytes);
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header) {
    if (!stream || !header || header->cbStruct < sizeof(ACMSTREAMHEADER) || !header->pbSrc ||
        !header->pbDst)
        return MMSYSERR_INVALPARAM;
    header->fdwStatus |= ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header) {
    if (!stream || !header)
        return MMSYSERR_INVALPARAM;
    if (!(header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED))
        return ACMERR_UNPREPARED;
    header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM stream, ACMSTREAMHEADER* header, quint32 flags) {
    if (!stream || !header)
        return MMSYSERR_INVALPARAM;
    if (!(header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED))
        return ACMERR_UNPREPARED;
    header->cbSrcLengthUsed = 0;
    header->cbDstLengthUsed = 0;
    return stream->conversion->Convert(*header, flags);
}

MMRESULT acmStreamClose(HACMSTREAM stream) {
    if (!stream)
        return MMSYSERR_INVALHANDLE;
    delete stream;
    return MMSYSERR_NOERROR;
}

HACMDRIVERID acmDriverAdd(std::shared_ptr<AcmDriver> driver) {
    return drivers().add(std::move(driver));
}

MMRESULT acmDriverRemove(HACMDRIVERID id) {
    return drivers().remove(id) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

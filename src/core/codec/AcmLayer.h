#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

class AcmDriver;

// The codec layer: the calls of an audio compression manager, realised by the
// drivers registered here (an MPEG Layer-3 encoder on LAME and a PCM converter on
// libswresample). Every call returns 0 on success.

using MMRESULT = quint32;
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT ACMERR_NOTPOSSIBLE = 512;
constexpr MMRESULT ACMERR_UNPREPARED = 514;

constexpr quint16 WAVE_FORMAT_PCM = 1;
constexpr quint16 WAVE_FORMAT_MPEGLAYER3 = 85;

constexpr quint32 ACM_METRIC_MAX_SIZE_FORMAT = 50;
constexpr quint32 ACM_FORMATENUMF_CONVERT = 0x00100000;
constexpr quint32 ACM_FORMATSUGGESTF_WFORMATTAG = 0x00010000;
constexpr quint32 ACM_STREAMOPENF_NONREALTIME = 4;
constexpr quint32 ACM_STREAMSIZEF_SOURCE = 0;
constexpr quint32 ACM_STREAMCONVERTF_BLOCKALIGN = 4;
constexpr quint32 ACM_STREAMCONVERTF_START = 16;
constexpr quint32 ACM_STREAMCONVERTF_END = 32;
constexpr quint32 ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000;

#pragma pack(push, 1)
// The 18-byte head of every format block; a codec's own fields may follow it.
struct WAVEFORMATEX {
    quint16 wFormatTag = 0;
    quint16 nChannels = 0;
    quint32 nSamplesPerSec = 0;
    quint32 nAvgBytesPerSec = 0;
    quint16 nBlockAlign = 0;
    quint16 wBitsPerSample = 0;
    quint16 cbSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

// A format block as bytes, and its head read out of it (zeros when too short).
WAVEFORMATEX FormatHead(const QByteArray& block);
QByteArray FormatBlock(const WAVEFORMATEX& head, const QByteArray& tail = {});

struct ACMSTREAMHEADER {
    quint32 cbStruct = 0;
    quint32 fdwStatus = 0;
    quint8* pbSrc = nullptr;
    quint32 cbSrcLength = 0;
    quint32 cbSrcLengthUsed = 0;
    quint8* pbDst = nullptr;
    quint32 cbDstLength = 0;
    quint32 cbDstLengthUsed = 0;
};

struct ACMFORMATDETAILS {
    quint32 dwFormatIndex = 0;
    quint32 dwFormatTag = 0;
    QByteArray pwfx; // the format block
    QString szFormat;
};

using HACMDRIVERID = quint32;
struct AcmOpenDriver;
using HACMDRIVER = AcmOpenDriver*;
struct AcmStreamObject;
using HACMSTREAM = AcmStreamObject*;

// Calls return false to end an enumeration early.
using ACMDRIVERENUMCB = std::function<bool(HACMDRIVERID id)>;
using ACMFORMATENUMCB = std::function<bool(HACMDRIVERID id, const ACMFORMATDETAILS& details)>;

MMRESULT acmMetrics(quint32 metric, quint32* value);
MMRESULT acmDriverEnum(const ACMDRIVERENUMCB& callback);
MMRESULT acmDriverDetails(HACMDRIVERID id, QString* longName);
MMRESULT acmDriverOpen(HACMDRIVER* driver, HACMDRIVERID id);
MMRESULT acmDriverClose(HACMDRIVER driver);
// With ACM_FORMATENUMF_CONVERT: every format, of every driver, that `source`
// converts into.
MMRESULT acmFormatEnum(HACMDRIVER driver, const QByteArray& source, const ACMFORMATENUMCB& callback,
                       quint32 flags);
// Fills `dest` (its tag chosen by the caller) with a format `source` converts into.
MMRESULT acmFormatSuggest(HACMDRIVER driver, const QByteArray& source, QByteArray* dest,
                          quint32 destSize, quint32 flags);

// Without a driver, the first registered driver that converts between the two is used.
MMRESULT acmStreamOpen(HACMSTREAM* stream, HACMDRIVER driver, const QByteArray& source,
                       const QByteArray& dest, quint32 flags);
MMRESULT acmStreamSize(HACMSTREAM stream, quint32 sourceBytes, quint32* destBytes, quint32 flags);
MMRESULT acmStreamPrepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header);
MMRESULT acmStreamUnprepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header);
MMRESULT acmStreamConvert(HACMSTREAM stream, ACMSTREAMHEADER* header, quint32 flags);
MMRESULT acmStreamClose(HACMSTREAM stream);

// Installing a driver (as the system's codec installer would); the built-in ones come
// first. Removing fails for a driver that is open.
HACMDRIVERID acmDriverAdd(std::shared_ptr<AcmDriver> driver);
MMRESULT acmDriverRemove(HACMDRIVERID id);

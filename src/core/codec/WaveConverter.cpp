#include "codec/WaveConverter.h"

#include "codec/PcmDriver.h"

namespace {

// One conversion call never gives more than this; a larger size query is a failure.
constexpr quint32 kMaxOutput = 1048576;

} // namespace

tWaveConverter::tWaveConverter()
    : SourceFormat(FormatBlock(PcmFormatHead(44100, 2))),
      DestFormat(FormatBlock(PcmFormatHead(48000, 2))) {}

tWaveConverter::~tWaveConverter() = default;

void tWaveConverter::SetSourceFormat(int rate, int channels, int bits) {
    SourceFormat = FormatBlock(PcmFormatHead(rate, channels, bits));
}

void tWaveConverter::SetDestFormat(int rate, int channels, int bits) {
    DestFormat = FormatBlock(PcmFormatHead(rate, channels, bits));
}

bool tWaveConverter::Open() {
    if (IsOpen)
        return false;
    InputBuffer.clear();
    OutputBuffer.clear();
    if (acmStreamOpen(&Stream, nullptr, SourceFormat, DestFormat, ACM_STREAMOPENF_NONREALTIME) !=
        MMSYSERR_NOERROR)
        return false;
    // At least one second of source fits the buffer.
    MinInputSize = std::max(MinInputSize, FormatHead(SourceFormat).nAvgBytesPerSec);
    allocateInput(qint32(MinInputSize));
    if (prepareBuffers(kMaxOutput) != MMSYSERR_NOERROR) {
        releaseStream();
        return false;
    }
    ConvertFlags = ACM_STREAMCONVERTF_START;
    IsOpen = true;
    if (OnOpen)
        OnOpen();
    return true;
}

void tWaveConverter::Close() {
    if (!IsOpen)
        return;
    ConvertFlags = ACM_STREAMCONVERTF_END;
    Convert(nullptr, 0);
    IsOpen = false;
    releaseStream();
    InputBuffer.clear();
    InputSize = 0;
    Filled = 0;
    if (OnClose)
        OnClose();
}

#include "codec/LameDriver.h"

#include <lame/lame.h>

#include <array>
#include <cstring>

namespace {

constexpr quint16 kMp3TailBytes = 12;

// MPEG-1 serves 32000 Hz and up, MPEG-2 16000 to 24000 Hz, MPEG-2.5 below.
QList<int> bitRatesFor(int rate) {
    if (rate >= 32000)
        return {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    if (rate >= 16000)
        return {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    return {8, 16, 24, 32, 40, 48, 56, 64};
}

// Samples per channel in one MPEG frame.
int frameSamples(int rate) {
    return rate >= 32000 ? 1152 : 576;
}

// The table is only ever appended to: a station's stored index must keep naming the
// same format in every later version.
QList<Mp3Format> buildTable() {
    QList<Mp3Format> table;
    quint32 index = 0;
    for (const int rate : {8000, 11025, 16000, 22050, 32000, 44100, 48000})
        for (const int channels : {1, 2})
            for (const int kbps : bitRatesFor(rate))
                table.append({index++, rate, channels, kbps});
    return table;
}

const Mp3Format* findFormat(const QByteArray& block) {
    const WAVEFORMATEX head = FormatHead(block);
    if (head.wFormatTag != WAVE_FORMAT_MPEGLAYER3)
        return nullptr;
    for (const Mp3Format& f : Mp3Formats())
        if (quint32(f.rate) == head.nSamplesPerSec && f.channels == head.nChannels &&
            quint32(f.kbps * 125) == head.nAvgBytesPerSec)
            return &f;
    return nullptr;
}

bool isPcm16(const WAVEFORMATEX& head) {
    return head.wFormatTag == WAVE_FORMAT_PCM && head.wBitsPerSample == 16 &&
           (head.nChannels == 1 || head.nChannels == 2) && head.nBlockAlign == head.nChannels * 2;
}

class LameConversion : public AcmConversion {
public:
    LameConversion(lame_t lame, int channels) : lame_(lame), channels_(channels) {
        frameBytes_ = lame_get_framesize(lame_) * channels_ * 2;
    }
    ~LameConversion() override { lame_close(lame_); }

    quint32 DestSize(quint32 sourceBytes) const override {
        // LAME's own worst case for a buffer, plus one flush.
        const quint32 samples = sourceBytes / (channels_ * 2);
        return samples + samples / 4 + 2 * 7200;
    }

    MMRESULT Convert(ACMSTREAMHEADER& header, quint32 flags) override {
        const quint32 sampleBytes = channels_ * 2;
        const bool end = flags & ACM_STREAMCONVERTF_END;
        const quint32 unit =
            (flags & ACM_STREAMCONVERTF_BLOCKALIGN) && !end ? frameBytes_ : sampleBytes;
        const quint32 take = header.cbSrcLength / unit * unit;
        const int samples = int(take / sampleBytes);
        const auto* pcm = reinterpret_cast<const short*>(header.pbSrc);
        const int capacity = int(header.cbDstLength);
        int written = channels_ == 2
                          ? lame_encode_buffer_interleaved(lame_, const_cast<short*>(pcm), samples,
                                                           header.pbDst, capacity)
                          : lame_encode_buffer(lame_, pcm, pcm, samples, header.pbDst, capacity);
        if (written < 0)
            return ACMERR_NOTPOSSIBLE;
        if (end) {
            const int tail = lame_encode_flush(lame_, header.pbDst + written, capacity - written);
            if (tail < 0)
                return ACMERR_NOTPOSSIBLE;
            written += tail;
        }
        header.cbSrcLengthUsed = take;
        header.cbDstLengthUsed = quint32(written);
        return MMSYSERR_NOERROR;
    }

private:
    lame_t lame_;
    int channels_;
    quint32 frameBytes_ = 0;
};

} // namespace

const QList<Mp3Format>& Mp3Formats() {
    static const QList<Mp3Format> table = buildTable();
    return table;
}

QByteArray Mp3FormatBlock(const Mp3Format& format) {
    WAVEFORMATEX head;
    head.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    head.nChannels = quint16(format.channels);
    head.nSamplesPerSec = quint32(format.rate);
    head.nAvgBytesPerSec = quint32(format.kbps * 125);
    head.nBlockAlign = 1;
    head.wBitsPerSample = 0;
    head.cbSize = kMp3TailBytes;
    // wID 1 (MPEG), padding off, the frame size, one frame per block, the codec delay.
    const int perFrame = frameSamples(format.rate) / 8;
    const std::array<quint16, 6> tail = {
        1, 2, 0, quint16(perFrame * format.kbps * 1000 / format.rate), 1, 1393};
    QByteArray bytes(reinterpret_cast<const char*>(tail.data()), kMp3TailBytes);
    return FormatBlock(head, bytes);
}

QString Mp3FormatText(const Mp3Format& format) {
    return QStringLiteral("%1 kBit/s, %2 Hz, %3")
        .arg(format.kbps)
        .arg(format.rate)
        .arg(format.channels == 1 ? QStringLiteral("Mono") : QStringLiteral("Stereo"));
}

QString LameDriver::LongName() const {
    return QStringLiteral("MPEG Layer-3 Encoder (LAME)");
}

QList<ACMFORMATDETAILS> LameDriver::FormatsFrom(const WAVEFORMATEX& source) const {
    QList<ACMFORMATDETAILS> list;
    if (!isPcm16(source))
        return list;
    for (const Mp3Format& f : Mp3Formats())
        if (quint32(f.rate) == source.nSamplesPerSec && f.channels == source.nChannels)
            list.append({f.index, WAVE_FORMAT_MPEGLAYER3, Mp3FormatBlock(f), Mp3FormatText(f)});
    return list;
}

bool LameDriver::Suggest(const QByteArray& source, quint16 tag, QByteArray* dest) const {
    const WAVEFORMATEX head = FormatHead(source);
    if (tag != WAVE_FORMAT_MPEGLAYER3 || !isPcm16(head))
        return false;
    // The highest rate of the table that fits: the format a caller most likely wants.
    const Mp3Format* best = nullptr;
    for (const Mp3Format& f : Mp3Formats())
        if (quint32(f.rate) == head.nSamplesPerSec && f.channels == head.nChannels)
            best = &f;
    if (best)
        *dest = Mp3FormatBlock(*best);
    return best != nullptr;
}

std::unique_ptr<AcmConversion> LameDriver::OpenStream(const QByteArray& source,
                                                      const QByteArray& dest) const {
    const WAVEFORMATEX in = FormatHead(source);
    const Mp3Format* out = findFormat(dest);
    if (!out || !isPcm16(in) || in.nSamplesPerSec != quint32(out->rate) ||
        in.nChannels != out->channels)
        return nullptr;
    lame_t lame = lame_init();
    if (!lame)
        return nullptr;
    lame_set_in_samplerate(lame, out->rate);
    lame_set_out_samplerate(lame, out->rate);
    lame_set_num_channels(lame, out->channels);
    lame_set_mode(lame, out->channels == 1 ? MONO : JOINT_STEREO);
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, out->kbps);
    lame_set_quality(lame, kLameQuality);
    lame_set_bWriteVbrTag(lame, 0);
    lame_set_write_id3tag_automatic(lame, 0);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return nullptr;
    }
    return std::make_unique<LameConversion>(lame, out->channels);
}

quint32 LameDriver::MaxFormatSize() const {
    return sizeof(WAVEFORMATEX) + kMp3TailBytes;
}

#include "codec/PcmDriver.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace {

constexpr std::array<int, 7> kRates = {8000, 11025, 16000, 22050, 32000, 44100, 48000};

bool isPcm16(const WAVEFORMATEX& head) {
    return head.wFormatTag == WAVE_FORMAT_PCM && head.wBitsPerSample == 16 &&
           (head.nChannels == 1 || head.nChannels == 2) && head.nSamplesPerSec > 0 &&
           head.nBlockAlign == head.nChannels * 2;
}

class SwrConversion : public AcmConversion {
public:
    SwrConversion(SwrContext* swr, const WAVEFORMATEX& in, const WAVEFORMATEX& out)
        : swr_(swr), in_(in), out_(out) {}
    ~SwrConversion() override { swr_free(&swr_); }

    quint32 DestSize(quint32 sourceBytes) const override {
        // The resampler may hold back a filter's length, and gives it back on the flush.
        const qint64 samples = sourceBytes / in_.nBlockAlign;
        const qint64 outSamples = samples * out_.nSamplesPerSec / in_.nSamplesPerSec + 256;
        return quint32(outSamples * out_.nBlockAlign);
    }

    MMRESULT Convert(ACMSTREAMHEADER& header, quint32 flags) override {
        const int inSamples = int(header.cbSrcLength / in_.nBlockAlign);
        const int capacity = int(header.cbDstLength / out_.nBlockAlign);
        const uint8_t* src = header.pbSrc;
        uint8_t* dst = header.pbDst;
        int made = swr_convert(swr_, &dst, capacity, &src, inSamples);
        if (made < 0)
            return ACMERR_NOTPOSSIBLE;
        if (flags & ACM_STREAMCONVERTF_END) {
            uint8_t* rest = dst + made * out_.nBlockAlign;
            const int tail = swr_convert(swr_, &rest, capacity - made, nullptr, 0);
            if (tail < 0)
                return ACMERR_NOTPOSSIBLE;
            made += tail;
        }
        header.cbSrcLengthUsed = quint32(inSamples) * in_.nBlockAlign;
        header.cbDstLengthUsed = quint32(made) * out_.nBlockAlign;
        return MMSYSERR_NOERROR;
    }

private:
    SwrContext* swr_;
    WAVEFORMATEX in_;
    WAVEFORMATEX out_;
};

// The recording often keeps the stream's format: then the samples only move.
class CopyConversion : public AcmConversion {
public:
    explicit CopyConversion(quint16 blockAlign) : blockAlign_(blockAlign) {}

    quint32 DestSize(quint32 sourceBytes) const override { return sourceBytes; }

    MMRESULT Convert(ACMSTREAMHEADER& header, quint32) override {
        const quint32 bytes =
            std::min(header.cbSrcLength, header.cbDstLength) / blockAlign_ * blockAlign_;
        std::memcpy(header.pbDst, header.pbSrc, bytes);
        header.cbSrcLengthUsed = bytes;
        header.cbDstLengthUsed = bytes;
        return MMSYSERR_NOERROR;
    }

private:
    quint16 blockAlign_;
};

AVChannelLayout layoutOf(int channels) {
    AVChannelLayout layout;
    av_channel_layout_default(&layout, channels);
    return layout;
}

} // namespace

WAVEFORMATEX PcmFormatHead(int rate, int channels, int bits) {
    WAVEFORMATEX head;
    head.wFormatTag = WAVE_FORMAT_PCM;
    head.nChannels = quint16(channels);
    head.nSamplesPerSec = quint32(rate);
    head.nBlockAlign = quint16(bits / 8 * channels);
    head.nAvgBytesPerSec = quint32(rate) * head.nBlockAlign;
    head.wBitsPerSample = quint16(bits);
    head.cbSize = 18;
    return head;
}

QString PcmDriver::LongName() const {
    return QStringLiteral("PCM Converter (libswresample)");
}

QList<ACMFORMATDETAILS> PcmDriver::FormatsFrom(const WAVEFORMATEX& source) const {
    QList<ACMFORMATDETAILS> list;
    if (!isPcm16(source))
        return list;
    quint32 index = 0;
    for (const int rate : kRates)
        for (const int channels : {1, 2}) {
            const QString text =
                QStringLiteral("%1 Hz, 16 Bit, %2")
                    .arg(rate)
                    .arg(channels == 1 ? QStringLiteral("Mono") : QStringLiteral("Stereo"));
            list.append(
                {index++, WAVE_FORMAT_PCM, FormatBlock(PcmFormatHead(rate, channels)), text});
        }
    return list;
}

bool PcmDriver::Suggest(const QByteArray& source, quint16 tag, QByteArray* dest) const {
    const WAVEFORMATEX head = FormatHead(source);
    if (tag != WAVE_FORMAT_PCM || !isPcm16(head))
        return false;
    *dest = FormatBlock(PcmFormatHead(int(head.nSamplesPerSec), head.nChannels));
    return true;
}

std::unique_ptr<AcmConversion> PcmDriver::OpenStream(const QByteArray& source,
                                                     const QByteArray& dest) const {
    const WAVEFORMATEX in = FormatHead(source);
    const WAVEFORMATEX out = FormatHead(dest);
    if (!isPcm16(in) || !isPcm16(out))
        return nullptr;
    if (in.nSamplesPerSec == out.nSamplesPerSec && in.nChannels == out.nChannels)
        return std::make_unique<CopyConversion>(in.nBlockAlign);
    AVChannelLayout inLayout = layoutOf(in.nChannels);
    AVChannelLayout outLayout = layoutOf(out.nChannels);
    SwrContext* swr = nullptr;
    if (swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, int(out.nSamplesPerSec), &inLayout,
                            AV_SAMPLE_FMT_S16, int(in.nSamplesPerSec), 0, nullptr) < 0 ||
        swr_init(swr) < 0) {
        swr_free(&swr);
        return nullptr;
    }
    return std::make_unique<SwrConversion>(swr, in, out);
}

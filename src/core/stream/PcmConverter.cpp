#include "stream/PcmConverter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

#include <algorithm>

namespace {

quint64 layoutMask(const AVChannelLayout& layout) {
    return layout.order == AV_CHANNEL_ORDER_NATIVE ? layout.u.mask : 0;
}

} // namespace

PcmConverter::~PcmConverter() {
    swr_free(&swr_);
}

bool PcmConverter::rebuild(const AVFrame* frame) {
    swr_free(&swr_);
    inRate_ = inFormat_ = inChannels_ = 0;
    const int channels = frame->ch_layout.nb_channels;
    if (frame->sample_rate <= 0 || channels <= 0)
        return false;
    // A layout without a known order is taken as the usual one for its channel count.
    AVChannelLayout in;
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&in, channels);
    else if (av_channel_layout_copy(&in, &frame->ch_layout) < 0)
        return false;
    AVChannelLayout out;
    av_channel_layout_default(&out, std::clamp(channels, 1, 2));
    const bool ok =
        swr_alloc_set_opts2(&swr_, &out, AV_SAMPLE_FMT_S16, frame->sample_rate, &in,
                            AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr) >= 0 &&
        swr_init(swr_) >= 0;
    av_channel_layout_uninit(&in);
    if (!ok) {
        swr_free(&swr_);
        return false;
    }
    inRate_ = rate_ = frame->sample_rate;
    inFormat_ = frame->format;
    inChannels_ = channels;
    inMask_ = layoutMask(frame->ch_layout);
    channels_ = out.nb_channels;
    return true;
}

bool PcmConverter::Convert(const AVFrame* frame, std::vector<qint16>* pcm) {
    const bool same = swr_ && frame->sample_rate == inRate_ && frame->format == inFormat_ &&
                      frame->ch_layout.nb_channels == inChannels_ &&
                      layoutMask(frame->ch_layout) == inMask_;
    if (!same && !rebuild(frame))
        return false;
    // Rates are equal on both sides, so nothing stays behind in the converter.
    pcm->resize(size_t(frame->nb_samples) * size_t(channels_));
    uint8_t* out[] = {reinterpret_cast<uint8_t*>(pcm->data())};
    const int frames =
        swr_convert(swr_, out, frame->nb_samples, const_cast<const uint8_t**>(frame->extended_data),
                    frame->nb_samples);
    if (frames <= 0)
        return false;
    pcm->resize(size_t(frames) * size_t(channels_));
    return true;
}

quint32 PeakLevel(const std::vector<qint16>& pcm, int channels) {
    // Runs of a fixed, even length compile to vector min/max with the channels kept
    // apart by lane; one call per block at a few thousand blocks a second adds up.
    constexpr size_t kRun = 32;
    qint16 high[kRun] = {}, low[kRun] = {};
    const qint16* p = pcm.data();
    const size_t n = pcm.size();
    size_t i = 0;
    for (; i + kRun <= n; i += kRun)
        for (size_t k = 0; k < kRun; ++k) {
            const qint16 s = p[i + k];
            high[k] = s > high[k] ? s : high[k];
            low[k] = s < low[k] ? s : low[k];
        }
    for (size_t k = 0; i < n; ++i, ++k) {
        high[k] = std::max(high[k], p[i]);
        low[k] = std::min(low[k], p[i]);
    }
    int peak[2] = {0, 0};
    for (size_t k = 0; k < kRun; ++k) {
        int& side = peak[channels == 2 ? k % 2 : 0];
        side = std::max({side, int(high[k]), -int(low[k])});
    }
    const int right = channels == 2 ? peak[1] : peak[0];
    return quint32(peak[0]) | (quint32(right) << 16);
}

#pragma once

#include <QtGlobal>

#include <vector>

struct AVFrame;
struct SwrContext;

// Turns decoded frames into interleaved signed 16-bit PCM at the frame's own rate and
// with one or two channels. Streams may change rate, channels or sample format between
// frames; the conversion is rebuilt whenever they do.
class PcmConverter {
public:
    PcmConverter() = default;
    ~PcmConverter();
    PcmConverter(const PcmConverter&) = delete;
    PcmConverter& operator=(const PcmConverter&) = delete;

    // Replaces *pcm with the converted frame; false if the frame cannot be converted.
    bool Convert(const AVFrame* frame, std::vector<qint16>* pcm);
    int Rate() const { return rate_; }
    int Channels() const { return channels_; }

private:
    bool rebuild(const AVFrame* frame);

    SwrContext* swr_ = nullptr;
    // What the current conversion was built for.
    int inRate_ = 0;
    int inFormat_ = -1;
    int inChannels_ = 0;
    quint64 inMask_ = 0;
    int rate_ = 0;
    int channels_ = 0;
};

// The peak of each channel (0 to 32768) of one or two interleaved channels, the left
// one in the low word; mono shows on both.
quint32 PeakLevel(const std::vector<qint16>& pcm, int channels);

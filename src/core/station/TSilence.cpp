#include "station/TSilence.h"

#include "station/Colors.h"

#include <algorithm>
#include <cmath>

void TSilence::Setup(quint8 mode, double level, double duration) {
    Elapsed = 0.0;
    Duration = duration > 0.0 ? duration : 0.0;
    Threshold = level;
    Mode = duration > 0.0 ? mode : Off;
}

void TSilence::Process(const qint16* samples, int bytes, int channels, int sampleRate) {
    if (Duration == 0.0)
        Mode = Off;
    if (Mode == Off) {
        Elapsed = 0.0;
        return;
    }
    int peak = 0;
    for (int i = 0; i < bytes / 2; ++i) {
        const int s = samples[i];
        peak = std::max(peak, s >= 0 ? s : -1 - s);
    }
    LastLevel = peak == 0 ? -90.3 : 20.0 * std::log10(peak / 32768.0);
    const double blockTime = double(bytes) / (double(sampleRate == 0 ? 44100 : sampleRate) *
                                              (channels < 1 ? 2 : channels) * 2);
    const bool holds = Mode == WaitSilence ? LastLevel < Threshold : LastLevel > Threshold;
    Elapsed = std::max(0.0, Elapsed + (holds ? blockTime : -blockTime));
    if (Elapsed >= Duration) {
        Elapsed = 0.0;
        if (OnChange)
            OnChange(*this, Mode);
    }
}

BarImage Show_Silence(const TSilence& detector, int imageWidth) {
    BarImage bar;
    const quint8 mode = detector.Duration >= 1.0 ? detector.Mode : TSilence::Off;
    if (mode == TSilence::Off) {
        bar.PanelColor = true;
        return bar;
    }
    const double ratio = std::min(1.0, detector.Elapsed / detector.Duration);
    bar.Width = int(imageWidth * ratio);
    if (mode == TSilence::WaitSilence) {
        const int t = std::clamp(255 - int(ratio * 512), 0, 255);
        bar.BarColor = Colors::Rgb(255, t, t);
        bar.RestColor = Colors::White;
    } else {
        bar.BarColor = Colors::White;
        bar.RestColor = Colors::Red;
    }
    return bar;
}

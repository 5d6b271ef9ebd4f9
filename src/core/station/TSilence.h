#pragma once

#include "station/BarImage.h"

#include <QtGlobal>

#include <functional>

// Watches a station's decoded audio: fires when the level stays below the threshold
// for the set time (waiting for silence) or above it (waiting for sound). Time of
// the opposite condition counts the accumulated time down instead of resetting it.
class TSilence {
public:
    static constexpr quint8 Off = 0;
    static constexpr quint8 WaitSilence = 1;
    static constexpr quint8 WaitSound = 2;

    void Setup(quint8 mode, double level, double duration);
    // One block of interleaved signed 16-bit PCM.
    void Process(const qint16* samples, int bytes, int channels, int sampleRate);

    quint8 Mode = Off;
    double Duration = 0.0;  // seconds; 0 switches the detector off
    double Elapsed = 0.0;   // seconds, never below 0
    double Threshold = 0.0; // dB
    double LastLevel = 0.0; // dB of the last block
    // Called with the mode in force when Elapsed reached Duration.
    std::function<void(TSilence&, quint8)> OnChange;
};

// The silence bar of an image of the given width.
BarImage Show_Silence(const TSilence& detector, int imageWidth);

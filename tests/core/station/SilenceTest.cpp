#include "station/TSilence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// 0.1 s of 44100 Hz stereo at a constant sample value.
std::vector<qint16> block(qint16 value) {
    return std::vector<qint16>(8820, value);
}

void feed(TSilence& d, qint16 value, int blocks) {
    const auto b = block(value);
    for (int i = 0; i < blocks; ++i)
        d.Process(b.data(), int(b.size() * 2), 2, 44100);
}

} // namespace

TEST(Silence, SetupRules) {
    TSilence d;
    d.Elapsed = 5;
    d.Setup(1, -32, 10);
    EXPECT_EQ(d.Mode, 1);
    EXPECT_EQ(d.Elapsed, 0.0);
    EXPECT_EQ(d.Threshold, -32);
    d.Setup(2, -32, 0);
    EXPECT_EQ(d.Mode, 0);
    EXPECT_EQ(d.Duration, 0.0);
    d.Setup(1, -32, -4);
    EXPECT_EQ(d.Mode, 0);
}

TEST(Silence, LevelsAndTheNegativeFullScale) {
    TSilence d;
    d.Setup(1, -32, 10);
    feed(d, 0, 1);
    EXPECT_DOUBLE_EQ(d.LastLevel, -90.3);
    feed(d, -32768, 1); // counts as 32767
    EXPECT_NEAR(d.LastLevel, 20 * std::log10(32767.0 / 32768.0), 1e-9);
    feed(d, -1, 1); // magnitude 0
    EXPECT_DOUBLE_EQ(d.LastLevel, -90.3);
    feed(d, 1024, 1);
    EXPECT_NEAR(d.LastLevel, -30.103, 1e-3);
}

TEST(Silence, FiresAfterItsTimeAndBurstsOnlyCountDown) {
    TSilence d;
    std::vector<quint8> fired;
    d.OnChange = [&](TSilence&, quint8 mode) { fired.push_back(mode); };
    d.Setup(1, -32, 2.0);
    feed(d, 0, 15);   // 1.5 s of silence
    feed(d, 8000, 5); // 0.5 s of sound pushes back 0.5 s
    EXPECT_NEAR(d.Elapsed, 1.0, 1e-9);
    feed(d, 0, 9);
    EXPECT_TRUE(fired.empty());
    feed(d, 0, 1);
    ASSERT_EQ(fired, std::vector<quint8>({1}));
    EXPECT_EQ(d.Elapsed, 0.0);
    // More sound than accumulated never goes below zero.
    feed(d, 8000, 30);
    EXPECT_EQ(d.Elapsed, 0.0);
    // Waiting for sound counts sound up.
    d.Setup(2, -32, 1.05);
    feed(d, 8000, 11);
    EXPECT_EQ(fired, std::vector<quint8>({1, 2}));
}

TEST(Silence, OffWithoutDurationAndDefaultsForUnknownFormats) {
    TSilence d;
    int fired = 0;
    d.OnChange = [&](TSilence&, quint8) { ++fired; };
    d.Setup(1, -32, 0);
    feed(d, 0, 100);
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(d.Mode, 0);
    // Rate 0 counts as 44100 and no channels as two: this block is 0.1 s.
    d.Setup(1, -32, 0.3);
    const auto b = block(0);
    for (int i = 0; i < 3; ++i)
        d.Process(b.data(), int(b.size() * 2), 0, 0);
    EXPECT_EQ(fired, 1);
    // Without a handler it still restarts every Duration.
    d.OnChange = nullptr;
    for (int i = 0; i < 3; ++i)
        d.Process(b.data(), int(b.size() * 2), 2, 44100);
    EXPECT_EQ(d.Elapsed, 0.0);
}

TEST(Silence, TheBarAsData) {
    TSilence d;
    EXPECT_TRUE(Show_Silence(d, 100).PanelColor);
    d.Setup(1, -32, 0.5); // under a second: runs, but no bar
    EXPECT_TRUE(Show_Silence(d, 100).PanelColor);
    d.Setup(1, -32, 10);
    d.Elapsed = 2.5; // a quarter: t = 255 - 128
    BarImage bar = Show_Silence(d, 100);
    EXPECT_FALSE(bar.PanelColor);
    EXPECT_EQ(bar.Width, 25);
    EXPECT_EQ(bar.BarColor, 0x7F7FFFu);
    EXPECT_EQ(bar.RestColor, 0xFFFFFFu);
    d.Elapsed = 7.0;
    EXPECT_EQ(Show_Silence(d, 100).BarColor, 0x0000FFu);
    d.Elapsed = 20.0;
    EXPECT_EQ(Show_Silence(d, 100).Width, 100);
    d.Setup(2, -32, 4);
    d.Elapsed = 1.0;
    bar = Show_Silence(d, 99);
    EXPECT_EQ(bar.Width, 24);
    EXPECT_EQ(bar.BarColor, 0xFFFFFFu);
    EXPECT_EQ(bar.RestColor, 0x0000FFu);
}

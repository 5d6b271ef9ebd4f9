#include "station/LedMetter.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// The expected colours, written out here rather than taken from the code under test.
constexpr quint32 kLime = 0x00FF00;
constexpr quint32 kGreen = 0x008000;
constexpr quint32 kYellow = 0x00FFFF;
constexpr quint32 kOlive = 0x008080;
constexpr quint32 kRed = 0x0000FF;
constexpr quint32 kMaroon = 0x000080;
constexpr quint32 kWhite = 0xFFFFFF;

// A 150 x 30 meter: with the 24 dB scale every segment is 6 pixels wide, row 1 spans
// y 1..9 and row 2 y 20..28.
constexpr int kWidth = 150;
constexpr int kHeight = 30;
constexpr int kRow1 = 1;
constexpr int kRow2 = 20;

// Left edge of segment i (dB) on the 24 dB scale at kWidth.
int left24(int i) {
    return (i + 24) * 6 + 1;
}

// The colour painted for the segment starting at (x1, y1), if it was painted.
std::optional<quint32> colorAt(const MeterPaint& paint, int y1, int x1) {
    for (const MeterRect& r : paint.segments)
        if (r.y1 == y1 && r.x1 == x1)
            return r.color;
    return std::nullopt;
}

int countRow(const MeterPaint& paint, int y1) {
    int n = 0;
    for (const MeterRect& r : paint.segments)
        n += r.y1 == y1;
    return n;
}

// The scale is module state that outlives a test: bring the station back to the 24 dB
// scale and reset it.
MeterPaint fresh(int station) {
    while (LedMetter::Scale(station) != 0)
        LedMetter::Click(station, kWidth, kHeight);
    return LedMetter::Reset(station, kWidth, kHeight);
}

// The 0 dB segment's colour of row 1 for a left level, right after a reset.
quint32 zeroDbColor(int station, double db) {
    fresh(station);
    const MeterPaint paint = LedMetter::Bars(station, kWidth, kHeight, db, -90.0);
    return colorAt(paint, kRow1, left24(0)).value_or(kMaroon);
}

} // namespace

TEST(LedMetter, LevelToDbEdges) {
    EXPECT_DOUBLE_EQ(LevelToDb(0), -90.0);
    EXPECT_NEAR(LevelToDb(1), -90.309, 0.001);
    EXPECT_NEAR(LevelToDb(16384), -6.0206, 0.0001);
    EXPECT_LT(LevelToDb(32767), 0.0);
    EXPECT_GT(LevelToDb(32767), -0.001);
    EXPECT_DOUBLE_EQ(LevelToDb(32768), 0.0);
    EXPECT_DOUBLE_EQ(LevelToDb(65535), 0.0);
}

TEST(LedMetter, BlendEndpointsMiddleAndClamping) {
    EXPECT_EQ(Blend(kLime, kYellow, 0, 7), kLime);
    EXPECT_EQ(Blend(kLime, kYellow, 7, 7), kYellow);
    EXPECT_EQ(Blend(kLime, kYellow, 1, 2), 0x00FF7Fu);
    // Falling channels truncate too: green 255 - 255/4 = 191.25.
    EXPECT_EQ(Blend(kYellow, kRed, 1, 4), 0x00BFFFu);
    EXPECT_EQ(Blend(kLime, kYellow, 3, 0), kLime);
    EXPECT_EQ(Blend(kLime, kYellow, 3, -1), kLime);
    // Past the end each channel stays within 0..255 and leaves its neighbours alone.
    EXPECT_EQ(Blend(kYellow, kRed, 8, 4), kRed);
    EXPECT_EQ(Blend(kMaroon, kRed, 4, 2), kRed);
}

TEST(LedMetter, GeometryOfTheFirstAndLastSegments) {
    const MeterPaint paint = fresh(1);
    ASSERT_EQ(paint.segments.size(), 50);
    const MeterRect& first1 = paint.segments.front();
    EXPECT_EQ(first1.x1, 1);
    EXPECT_EQ(first1.x2, 6);
    EXPECT_EQ(first1.y1, 1);
    EXPECT_EQ(first1.y2, 9);
    const MeterRect& last1 = paint.segments[24];
    EXPECT_EQ(last1.x1, 145);
    EXPECT_EQ(last1.x2, 150);
    EXPECT_EQ(last1.y1, 1);
    EXPECT_EQ(last1.y2, 9);
    const MeterRect& first2 = paint.segments[25];
    EXPECT_EQ(first2.x1, 1);
    EXPECT_EQ(first2.x2, 6);
    EXPECT_EQ(first2.y1, 20);
    EXPECT_EQ(first2.y2, 28);
    const MeterRect& last2 = paint.segments.back();
    EXPECT_EQ(last2.x1, 145);
    EXPECT_EQ(last2.x2, 150);
    EXPECT_EQ(last2.y2, 28);
    // Segments follow each other without gaps or overlaps.
    for (int k = 1; k < 25; ++k)
        EXPECT_EQ(paint.segments[k].x1, paint.segments[k - 1].x2 + 1) << k;
}

TEST(LedMetter, ResetClearsTheImageAndPaintsEverySegmentUnlit) {
    fresh(2);
    LedMetter::Bars(2, kWidth, kHeight, 0.0, 0.0);
    const MeterPaint paint = LedMetter::Reset(2, kWidth, kHeight);
    EXPECT_TRUE(paint.clear);
    EXPECT_EQ(paint.width, kWidth);
    EXPECT_EQ(paint.height, kHeight);
    EXPECT_EQ(countRow(paint, kRow1), 25);
    EXPECT_EQ(countRow(paint, kRow2), 25);
    for (int y : {kRow1, kRow2}) {
        EXPECT_EQ(colorAt(paint, y, left24(-24)), kGreen);
        EXPECT_EQ(colorAt(paint, y, left24(-15)), kGreen);
        EXPECT_EQ(colorAt(paint, y, left24(-14)), 0x008012u); // 1/7 of the way to olive
        EXPECT_EQ(colorAt(paint, y, left24(-8)), kOlive);
        EXPECT_EQ(colorAt(paint, y, left24(-6)), kOlive);
        EXPECT_EQ(colorAt(paint, y, left24(-3)), 0x004080u); // half way to maroon
        EXPECT_EQ(colorAt(paint, y, left24(-1)), kMaroon);
        EXPECT_EQ(colorAt(paint, y, left24(0)), kMaroon);
    }
}

TEST(LedMetter, LitColoursAlongTheScale) {
    fresh(3);
    const MeterPaint paint = LedMetter::Bars(3, kWidth, kHeight, -0.3, -90.0);
    EXPECT_EQ(countRow(paint, kRow1), 25);
    EXPECT_EQ(countRow(paint, kRow2), 0);
    EXPECT_EQ(colorAt(paint, kRow1, left24(-24)), kLime);
    EXPECT_EQ(colorAt(paint, kRow1, left24(-15)), kLime);
    EXPECT_EQ(colorAt(paint, kRow1, left24(-14)), 0x00FF24u);
    EXPECT_EQ(colorAt(paint, kRow1, left24(-8)), kYellow);
    EXPECT_EQ(colorAt(paint, kRow1, left24(-7)), kYellow);
    EXPECT_EQ(colorAt(paint, kRow1, left24(-3)), 0x007FFFu);
    EXPECT_EQ(colorAt(paint, kRow1, left24(-1)), kRed);
    EXPECT_EQ(colorAt(paint, kRow1, left24(0)), kRed);
}

TEST(LedMetter, SegmentsLightUpToTheLevelPlusHeadroom) {
    fresh(4);
    // -10.2 + 0.3 = -9.9: -10 is lit, -9 is not.
    const MeterPaint paint = LedMetter::Bars(4, kWidth, kHeight, -90.0, -10.2);
    EXPECT_EQ(countRow(paint, kRow1), 0);
    EXPECT_EQ(countRow(paint, kRow2), 15);
    EXPECT_TRUE(colorAt(paint, kRow2, left24(-10)).has_value());
    EXPECT_FALSE(colorAt(paint, kRow2, left24(-9)).has_value());
}

TEST(LedMetter, ZeroDbSegment) {
    EXPECT_EQ(zeroDbColor(5, 0.0), kWhite);
    EXPECT_EQ(zeroDbColor(5, LevelToDb(32768)), kWhite);
    EXPECT_EQ(zeroDbColor(5, LevelToDb(32767)), kWhite);
    EXPECT_EQ(zeroDbColor(5, -0.005), kWhite);
    EXPECT_EQ(zeroDbColor(5, -0.01), kRed);
    EXPECT_EQ(zeroDbColor(5, -0.15), kRed);
    EXPECT_EQ(zeroDbColor(5, -0.3), kRed);
    EXPECT_EQ(zeroDbColor(5, -0.31), kMaroon);
    EXPECT_EQ(zeroDbColor(5, -1.0), kMaroon);
}

TEST(LedMetter, AStationThatIsNotPlayingShowsEverySegmentUnlit) {
    LevelState state;
    const auto levels = Show_Level(false, 0x7FFF7FFF, state);
    ASSERT_TRUE(levels.has_value());
    EXPECT_DOUBLE_EQ(levels->left, -90.0);
    EXPECT_DOUBLE_EQ(levels->right, -90.0);
    fresh(6);
    for (int scale = 0; scale < 3; ++scale) {
        LedMetter::Reset(6, kWidth, kHeight);
        // Everything the reset painted unlit stays so.
        EXPECT_TRUE(
            LedMetter::Bars(6, kWidth, kHeight, levels->left, levels->right).segments.isEmpty())
            << scale;
        LedMetter::Click(6, kWidth, kHeight);
    }
}

TEST(LedMetter, OnlyChangedSegmentsArePainted) {
    fresh(7);
    EXPECT_EQ(LedMetter::Bars(7, kWidth, kHeight, -10.0, -10.0).segments.size(), 30);
    EXPECT_TRUE(LedMetter::Bars(7, kWidth, kHeight, -10.0, -10.0).segments.isEmpty());

    // -8 + 0.3 lights -9 and -8 on the left only.
    const MeterPaint up = LedMetter::Bars(7, kWidth, kHeight, -8.0, -10.0);
    ASSERT_EQ(up.segments.size(), 2);
    EXPECT_EQ(up.segments[0].x1, left24(-9));
    EXPECT_EQ(up.segments[1].x1, left24(-8));
    EXPECT_EQ(up.segments[0].y1, kRow1);
    EXPECT_EQ(up.segments[1].y1, kRow1);

    const MeterPaint down = LedMetter::Bars(7, kWidth, kHeight, -8.0, -20.0);
    EXPECT_EQ(countRow(down, kRow1), 0);
    EXPECT_EQ(countRow(down, kRow2), 10); // -19..-10 go out
    EXPECT_EQ(colorAt(down, kRow2, left24(-19)), kGreen);

    // Another station's meter keeps its own painted segments.
    fresh(8);
    EXPECT_EQ(LedMetter::Bars(8, kWidth, kHeight, -8.0, -20.0).segments.size(), 17 + 5);

    // A reset forgets what was painted.
    EXPECT_EQ(LedMetter::Reset(7, kWidth, kHeight).segments.size(), 50);
}

TEST(LedMetter, LabelsOfEachScale) {
    const int station = 9;
    const MeterPaint s24 = fresh(station);
    ASSERT_EQ(s24.labels.size(), 4);
    const int y = 8; // height / 2 - 7
    const struct {
        const char* text;
        int x;
        quint32 color;
    } expect24[] = {{"-24", 0, kLime}, {"-20", 24, kLime}, {"-12", 72, kLime}, {"-3", 126, kRed}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(s24.labels[k].text, QString::fromLatin1(expect24[k].text)) << k;
        EXPECT_EQ(s24.labels[k].x, expect24[k].x) << k;
        EXPECT_EQ(s24.labels[k].y, y) << k;
        EXPECT_EQ(s24.labels[k].color, expect24[k].color) << k;
    }

    const MeterPaint s41 = LedMetter::Click(station, kWidth, kHeight);
    ASSERT_EQ(s41.labels.size(), 4);
    EXPECT_EQ(s41.labels[0].text, "-41");
    EXPECT_EQ(s41.labels[0].x, 0);
    EXPECT_EQ(s41.labels[1].text, "-20");
    EXPECT_EQ(s41.segments.size(), 2 * 42);

    // Only the 60 dB scale marks -41; step 150 / 61.
    const MeterPaint s60 = LedMetter::Click(station, kWidth, kHeight);
    ASSERT_EQ(s60.labels.size(), 5);
    const struct {
        const char* text;
        int x;
    } expect60[] = {{"-60", 0}, {"-41", 46}, {"-20", 98}, {"-12", 118}, {"-3", 140}};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(s60.labels[k].text, QString::fromLatin1(expect60[k].text)) << k;
        EXPECT_EQ(s60.labels[k].x, expect60[k].x) << k;
    }
    EXPECT_EQ(s60.labels[4].color, kRed);
    EXPECT_EQ(s60.segments.size(), 2 * 61);
    EXPECT_EQ(s60.segments[0].x1, 1);
    EXPECT_EQ(s60.segments[0].x2, 2);
}

TEST(LedMetter, ThreeClicksReturnToTheFirstScale) {
    const int station = 20;
    fresh(station);
    EXPECT_EQ(LedMetter::Range(station), 24);
    const MeterPaint one = LedMetter::Click(station, kWidth, kHeight);
    EXPECT_TRUE(one.clear);
    EXPECT_EQ(LedMetter::Scale(station), 1);
    EXPECT_EQ(LedMetter::Range(station), 41);
    LedMetter::Click(station, kWidth, kHeight);
    EXPECT_EQ(LedMetter::Scale(station), 2);
    EXPECT_EQ(LedMetter::Range(station), 60);
    const MeterPaint back = LedMetter::Click(station, kWidth, kHeight);
    EXPECT_EQ(LedMetter::Scale(station), 0);
    EXPECT_EQ(back.labels.front().text, "-24");
    EXPECT_EQ(back.segments.size(), 50);
}

TEST(LedMetter, ScalesArePerStationNumber) {
    fresh(30);
    fresh(31);
    fresh(255);
    LedMetter::Click(30, kWidth, kHeight);
    EXPECT_EQ(LedMetter::Scale(30), 1);
    EXPECT_EQ(LedMetter::Scale(31), 0);
    EXPECT_EQ(LedMetter::Reset(31, kWidth, kHeight).labels.front().text, "-24");
    // The bars of a station follow its own scale.
    EXPECT_EQ(LedMetter::Reset(30, kWidth, kHeight).segments.size(), 2 * 42);
    LedMetter::Click(255, kWidth, kHeight);
    EXPECT_EQ(LedMetter::Scale(255), 1);
    EXPECT_EQ(LedMetter::Scale(30), 1);
}

TEST(LedMetter, ShowLevelDrawsOnlyChanges) {
    LevelState state;
    // The first call draws even a silent level.
    const auto first = Show_Level(true, 0, state);
    ASSERT_TRUE(first.has_value());
    EXPECT_DOUBLE_EQ(first->left, -90.0);
    EXPECT_FALSE(Show_Level(true, 0, state).has_value());

    // Left in the low half, right in the high half.
    const quint32 raw = 32768u | (16384u << 16);
    const auto changed = Show_Level(true, raw, state);
    ASSERT_TRUE(changed.has_value());
    EXPECT_DOUBLE_EQ(changed->left, 0.0);
    EXPECT_NEAR(changed->right, -6.0206, 0.0001);
    EXPECT_EQ(state.last, raw);
    EXPECT_FALSE(Show_Level(true, raw, state).has_value());

    // Stopping counts as silence, once.
    const auto stopped = Show_Level(false, raw, state);
    ASSERT_TRUE(stopped.has_value());
    EXPECT_DOUBLE_EQ(stopped->left, -90.0);
    EXPECT_DOUBLE_EQ(stopped->right, -90.0);
    EXPECT_FALSE(Show_Level(false, raw, state).has_value());
}

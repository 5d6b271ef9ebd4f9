#include "gui/LedMeterView.h"
#include "station/LedMetter.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// 150 x 30 on the 24 dB scale: segments are 6 pixels wide (segment i starts at
// (i + 24) * 6 + 1), row 1 spans y 1..9, row 2 y 20..28, labels start at y 8.
constexpr int kWidth = 150;
constexpr int kHeight = 30;

QRgb rgb(int r, int g, int b) {
    return qRgb(r, g, b);
}

QRgb at(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

QRgb plain(QRgb c) {
    return c & 0xFFFFFF;
}

// Pixels of the band between the rows within x0..x1 that match a test.
template <typename Test> int countBetweenRows(const QImage& image, int x0, int x1, Test test) {
    int n = 0;
    for (int y = 10; y <= 19; ++y)
        for (int x = x0; x <= x1; ++x)
            n += test(QColor(image.pixel(x, y)));
    return n;
}

bool reddish(const QColor& c) {
    return c.red() > 150 && c.green() < 80 && c.blue() < 80;
}

bool limeish(const QColor& c) {
    return c.green() > 150 && c.red() < 80 && c.blue() < 80;
}

} // namespace

TEST(LedMeterView, ResetPaintsABlackImageWithUnlitSegments) {
    LedMeterView view;
    view.Apply(LedMetter::Reset(100, kWidth, kHeight));
    const QImage& image = view.Image();
    ASSERT_EQ(image.size(), QSize(kWidth, kHeight));
    EXPECT_EQ(view.sizeHint(), QSize(kWidth, kHeight));
    for (int x = 0; x < kWidth; ++x) {
        EXPECT_EQ(at(image, x, 0), plain(rgb(0, 0, 0))) << x;
        EXPECT_EQ(at(image, x, kHeight - 1), plain(rgb(0, 0, 0))) << x;
    }
    // Between the rows, clear of the "-20" and "-12" labels.
    for (int y = 10; y <= 19; ++y)
        EXPECT_EQ(at(image, 55, y), plain(rgb(0, 0, 0))) << y;
    EXPECT_EQ(at(image, 0, 5), plain(rgb(0, 0, 0)));
    // Unlit green at the bottom and maroon (0x000080: red 128) at 0 dB, on both rows.
    for (int y : {1, 5, 9, 20, 28}) {
        EXPECT_EQ(at(image, 1, y), plain(rgb(0, 128, 0))) << y;
        EXPECT_EQ(at(image, 6, y), plain(rgb(0, 128, 0))) << y;
        EXPECT_EQ(at(image, 147, y), plain(rgb(128, 0, 0))) << y;
    }
}

TEST(LedMeterView, LitSegmentsAndFullScale) {
    LedMeterView view;
    view.Apply(LedMetter::Reset(101, kWidth, kHeight));
    view.Apply(LedMetter::Bars(101, kWidth, kHeight, -10.0, LevelToDb(32768)));
    const QImage& image = view.Image();
    EXPECT_EQ(at(image, 1, 1), plain(rgb(0, 255, 0)));
    EXPECT_EQ(at(image, 3, 5), plain(rgb(0, 255, 0)));
    EXPECT_EQ(at(image, 6, 9), plain(rgb(0, 255, 0)));
    // Row 1 stops at -10 dB: -9 (x 91..96) stays unlit olive-ish, 0 dB maroon.
    EXPECT_NE(at(image, 93, 5), plain(rgb(0, 255, 0)));
    EXPECT_EQ(at(image, 147, 5), plain(rgb(128, 0, 0)));
    // Full scale on the right row: 0 dB segment white, -1 dB red.
    for (int x = 145; x < kWidth; ++x)
        EXPECT_EQ(at(image, x, 24), plain(rgb(255, 255, 255))) << x;
    EXPECT_EQ(at(image, 141, 24), plain(rgb(255, 0, 0)));
    // Applying bars keeps the rest of the image.
    EXPECT_EQ(at(image, 55, 0), plain(rgb(0, 0, 0)));
}

TEST(LedMeterView, LabelsShowRedAtMinus3AndLimeElsewhere) {
    LedMeterView view;
    view.Apply(LedMetter::Reset(102, kWidth, kHeight));
    const QImage& image = view.Image();
    // "-3" starts at x 126.
    EXPECT_GT(countBetweenRows(image, 126, kWidth - 1, reddish), 0);
    EXPECT_EQ(countBetweenRows(image, 126, kWidth - 1, limeish), 0);
    // "-20" starts at x 24.
    EXPECT_GT(countBetweenRows(image, 24, 44, limeish), 0);
    EXPECT_EQ(countBetweenRows(image, 24, 44, reddish), 0);
}

TEST(LedMeterView, ShowsItsImageAndReportsPresses) {
    LedMeterView view;
    view.Apply(LedMetter::Reset(103, kWidth, kHeight));
    view.Apply(LedMetter::Bars(103, kWidth, kHeight, 0.0, -90.0));
    view.resize(view.sizeHint());
    const QImage shot = view.grab().toImage();
    EXPECT_EQ(at(shot, 147, 5), plain(rgb(255, 255, 255)));
    EXPECT_EQ(at(shot, 147, 24), plain(rgb(128, 0, 0)));

    QSignalSpy clicks(&view, &LedMeterView::clicked);
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks.count(), 1);
}

TEST(LedMeterView, ImagesTooLowForTheRowsStayBlack) {
    // At height 10 the rows' spans run backwards (row 1: y 1 down to -1): nothing fits.
    QImage image;
    PaintMeter(image, LedMetter::Reset(104, kWidth, 10));
    PaintMeter(image, LedMetter::Bars(104, kWidth, 10, 0.0, 0.0));
    ASSERT_EQ(image.size(), QSize(kWidth, 10));
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(at(image, 50, y), plain(rgb(0, 0, 0))) << y;
}

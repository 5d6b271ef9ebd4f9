#include "station/LedMetter.h"

#include "station/Colors.h"

#include <algorithm>
#include <array>
#include <cmath>

using namespace Colors;

namespace {

// The level a reset paints: below every scale, so all segments are unlit.
constexpr double kSilentDb = -90.3;
// Added to the levels so that a signal just under full scale still reaches 0 dB.
constexpr double kHeadroom = 0.3;
// Above this (after the headroom) the 0 dB segment shows white: the signal clips.
constexpr double kClipDb = 0.29;

using Row = std::array<quint32, LedMetter::kSegments>;

struct StationMeter {
    int scale = 0;
    std::array<Row, 2> painted{}; // 0 = not painted since the last reset
};

std::array<StationMeter, LedMetter::kStations>& meters() {
    static std::array<StationMeter, LedMetter::kStations> table;
    return table;
}

StationMeter& meter(int station) {
    return meters()[quint8(station)];
}

struct Geometry {
    int range = 0;
    double step = 0.0;
    int half = 0;

    Geometry(int r, int width, int height)
        : range(r), step(double(width) / (r + 1)), half(height / 2 - 7) {}
    int top(int row) const { return row == 0 ? 1 : half + 12; }
    int bottom(int row) const { return row == 0 ? 1 + half : 2 * half + 12; }
    int at(double x) const { return int(std::trunc(x)); }
};

quint32 segmentColor(int i, double level) {
    const bool lit = i <= level;
    if (i < -14)
        return lit ? Lime : Green;
    if (i < -7)
        return lit ? Blend(Lime, Yellow, i + 15, 7) : Blend(Green, Olive, i + 15, 7);
    if (i < -5)
        return lit ? Yellow : Olive;
    if (i < 0)
        return lit ? Blend(Yellow, Red, i + 5, 4) : Blend(Olive, Maroon, i + 5, 4);
    if (!lit)
        return Maroon;
    return level <= kClipDb ? Red : White;
}

void addBars(MeterPaint& paint, StationMeter& m, const Geometry& g, double leftDb, double rightDb) {
    const double levels[2] = {leftDb + kHeadroom, rightDb + kHeadroom};
    for (int row = 0; row < 2; ++row) {
        for (int i = -g.range; i <= 0; ++i) {
            const quint32 color = segmentColor(i, levels[row]);
            quint32& cached = m.painted[row][-i];
            if (color == cached)
                continue;
            cached = color;
            paint.segments.append({g.at((i + g.range) * g.step) + 1, g.top(row),
                                   g.at((i + g.range + 1) * g.step), g.bottom(row), color});
        }
    }
}

int channel(quint32 c, int shift) {
    return int((c >> shift) & 0xFF);
}

} // namespace

double LevelToDb(quint16 v) {
    if (v == 0)
        return -90.0;
    if (v >= 32768)
        return 0.0;
    return 20.0 * std::log10(v / 32768.0);
}

quint32 Blend(quint32 a, quint32 b, int p, int n) {
    if (n <= 0)
        return a;
    quint32 result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int from = channel(a, shift);
        const int to = channel(b, shift);
        const int v = int(std::trunc(from + double(to - from) / n * p));
        result |= quint32(std::clamp(v, 0, 255)) << shift;
    }
    return result;
}

MeterPaint LedMetter::Reset(int station, int width, int height) {
    StationMeter& m = meter(station);
    for (Row& row : m.painted)
        row.fill(0);
    const Geometry g(Range(station), width, height);
    MeterPaint paint;
    paint.clear = true;
    paint.width = width;
    paint.height = height;
    auto label = [&](int db, quint32 color) {
        paint.labels.append({g.at((g.range + db) * g.step), g.half, QString::number(db), color});
    };
    paint.labels.append({0, g.half, QString::number(-g.range), Lime});
    if (g.range == 60)
        label(-41, Lime);
    label(-20, Lime);
    label(-12, Lime);
    label(-3, Red);
    addBars(paint, m, g, kSilentDb, kSilentDb);
    return paint;
}

MeterPaint LedMetter::Bars(int station, int width, int height, double leftDb, double rightDb) {
    MeterPaint paint;
    paint.width = width;
    paint.height = height;
    addBars(paint, meter(station), Geometry(Range(station), width, height), leftDb, rightDb);
    return paint;
}

MeterPaint LedMetter::Click(int station, int width, int height) {
    StationMeter& m = meter(station);
    m.scale = (m.scale + 1) % int(std::size(kScales));
    return Reset(station, width, height);
}

int LedMetter::Scale(int station) {
    return meter(station).scale;
}

int LedMetter::Range(int station) {
    return kScales[Scale(station)];
}

std::optional<MeterLevels> Show_Level(bool playing, quint32 raw, LevelState& state) {
    const quint32 level = playing ? raw : 0;
    if (state.valid && level == state.last)
        return std::nullopt;
    state.last = level;
    state.valid = true;
    return MeterLevels{LevelToDb(quint16(level & 0xFFFF)), LevelToDb(quint16(level >> 16))};
}

#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

// A filled rectangle without outline; x1..x2 and y1..y2 are inclusive pixel spans and may
// reach past the image, which clips them.
struct MeterRect {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    quint32 color = 0; // 0x00BBGGRR
};

// Text in the default font with a transparent background; (x, y) is its top-left corner.
struct MeterLabel {
    int x = 0, y = 0;
    QString text;
    quint32 color = 0; // 0x00BBGGRR
};

// What to paint, in order: when `clear`, the whole width x height image black, then the
// labels, then the segments.
struct MeterPaint {
    bool clear = false;
    int width = 0, height = 0;
    QList<MeterLabel> labels;
    QList<MeterRect> segments;
};

// dB of a raw 16-bit channel level where 32768 is full scale: 0 gives -90, 32768 and
// above give 0.
double LevelToDb(quint16 v);

// The colour p/n of the way from a to b, per channel, truncated and clamped to 0..255;
// a when n <= 0.
quint32 Blend(quint32 a, quint32 b, int p, int n);

// The two-row level meter of a station (left row on top), one segment per dB from the
// bottom of its scale up to 0 dB. Its state lives per station number 0..255 (other
// numbers are taken modulo 256) and is shared by every user of the same number: the
// scale, and the colour each segment was last painted, so that only changes are painted.
// Used from the GUI thread only.
class LedMetter {
public:
    static constexpr int kStations = 256;
    static constexpr int kSegments = 93; // cache positions: 0 dB down to -92 dB
    static constexpr int kScales[] = {24, 41, 60};

    // Forgets the painted segments and paints the whole meter: background, scale labels
    // and every segment unlit.
    static MeterPaint Reset(int station, int width, int height);
    // The segments whose colour changes for these levels (dB).
    static MeterPaint Bars(int station, int width, int height, double leftDb, double rightDb);
    // Moves to the next scale (after the last, the first again), then Reset.
    static MeterPaint Click(int station, int width, int height);
    // The scale index 0..2 into kScales.
    static int Scale(int station);
    // The dB shown below 0 dB: kScales[Scale(station)].
    static int Range(int station);
};

// The levels of one channel pair, in dB.
struct MeterLevels {
    double left = 0.0;
    double right = 0.0;
};

// The last raw level a station showed; `valid` is false until the first one.
struct LevelState {
    quint32 last = 0;
    bool valid = false;
};

// Whether the meter must be redrawn this tick. `playing` is true while the station is
// online with a stream; otherwise the level counts as 0. `raw` holds the left level in
// its low 16 bits and the right one in its high 16 bits. Returns nothing while the level
// equals the last one shown (the first call always draws); otherwise keeps it as the
// last one and returns its dB values.
std::optional<MeterLevels> Show_Level(bool playing, quint32 raw, LevelState& state);

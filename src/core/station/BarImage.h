#pragma once

#include <QtGlobal>

// A detector bar as data: pixels 0 to Width-1 in the bar colour, the rest of the
// image in the rest colour, or the whole image in its panel's colour.
struct BarImage {
    int Width = 0;
    quint32 BarColor = 0; // 0x00BBGGRR
    quint32 RestColor = 0;
    bool PanelColor = false;
};

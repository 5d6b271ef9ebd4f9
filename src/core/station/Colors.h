#pragma once

#include <QtGlobal>

// The named colours the station's pictures use, as 0x00BBGGRR values.
namespace Colors {
constexpr quint32 Black = 0x000000;
constexpr quint32 White = 0xFFFFFF;
constexpr quint32 Silver = 0xC0C0C0;
constexpr quint32 Red = 0x0000FF;
constexpr quint32 Maroon = 0x000080;
constexpr quint32 Lime = 0x00FF00;
constexpr quint32 Green = 0x008000;
constexpr quint32 Yellow = 0x00FFFF;
constexpr quint32 Olive = 0x008080;

constexpr quint32 Rgb(int r, int g, int b) {
    return quint32(r) | quint32(g) << 8 | quint32(b) << 16;
}
} // namespace Colors

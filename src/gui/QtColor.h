#pragma once

#include <QColor>

// The core keeps colours as 0x00BBGGRR values; the windows paint with QColor.
inline QColor ToQColor(quint32 c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

#pragma once

#include <QStringList>

// The codec catalogue as text for people who write a station's Driver and Codec by
// hand: "<driver long name>\t<format index>\t<description>", one line per format,
// for one rate (0: every station rate) and channel count (0: both).
QStringList CodecListLines(int rate, int channels);

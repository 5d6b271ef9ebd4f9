#pragma once

#include <QString>

struct TStation;

// What a station shows of its stream, computed here so that a window and the web page
// only paint it.

// The buffer fill in percent for the current link state. Online with less than 2 %
// left, the link falls back to Connect and the stream is opened again.
int Show_Buffer(TStation& st);
// Gauge colour (0x00BBGGRR): red below 6 %, yellow from 6 to 10 %, silver above.
quint32 BufferColor(int fill);

QString FrequencyText(int hz);          // "44 KHz"; empty for 0
QString InputBitrateText(int bitrate);  // "128 Kb" from kbit/s or bit/s; empty for 0
QString OutputBitrateText(int bitrate); // "64 Kb" from bit/s
QString ChannelsText(int channels);     // "Mono", "Stereo" or empty

// The six format texts, refreshed when the stream or the recording format changed.
struct FormatTexts {
    QString InFreq, InBitrate, InCh, OutFreq, OutBitrate, OutCh;
};
// Returns true when it changed the texts (and cleared the change flags).
bool Show_Info_Freq(TStation& st, FormatTexts& texts);

// Name and title as shown, decoded from the stream's raw bytes.
struct StreamLabels {
    QString Station, Title;
};
// Returns true when the tags changed (and clears the flag).
bool HintFormer(TStation& st, StreamLabels& labels);

#pragma once

#include "stream/Bass.h"

#include <QString>

struct TStation;

// Whether URLs containing ".M3U8" open through the HLS call; set at audio start-up.
void SetHlsAvailable(bool available);
bool HlsAvailable();

// The thread procedure of a station's stream worker: opens the stream when the link
// state asks for it and waits for the buffer, until StopWorker is set; clears
// StopWorker on leaving as the acknowledgement.
void StreamWorker(TStation* st);

void Stream_Open(TStation& st);
void Stream_Buffering(TStation& st);
// State Error with the audio layer's text for its last error (or the given text),
// and the time of the next attempt.
void Stream_Error(TStation& st, const QString& message = QString());
// Removes the DSP (waiting for a running call to end) and frees the stream. Called
// by the worker and by the station's tick when the link stops.
void Stream_Release(TStation& st);

// Percent of the network buffer filled (the WMA figure for WMA streams), or
// whenUnknown while the buffer has no size.
int Stream_BufferFill(const TStation& st, int whenUnknown);

void Stream_DSP(HDSP handle, HSTREAM channel, void* buffer, quint32 length, void* user);
void Stream_Sync(HSYNC handle, HSTREAM channel, quint32 data, void* user);

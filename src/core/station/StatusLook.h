#pragma once

#include <QString>

// What a station's status panel shows for its states: the status word (a language
// key), the panel and font colours, and the status colours kept for the web page.
struct StatusLook {
    QString Word;      // language message key: "Stop", "Online"...
    quint32 Panel = 0; // 0x00BBGGRR
    quint32 Font = 0;
    bool KeepsStatusColors = false; // Connect and Buffering leave the stored colours
    quint32 StatusBack = 0;         // 0 = none
    quint32 StatusText = 0;
    bool ShowsArrow = false; // recording
};

// Colours of the pulsing status word: dark green to white, and red to white.
quint32 ConnectPalette(int i);
quint32 RecordPalette(int i);

// The pulse step bounces 0, 1, ..., 7, 6, ..., 0, 1, ...; it advances on each call.
class Pulse {
public:
    int Next();

private:
    int step_ = 0;
    int direction_ = 1;
};

// The look for a link and recording state; `pulse` is consulted (and advanced) only
// for the states that pulse.
StatusLook Show_Status(quint8 linkState, quint8 recState, bool lessSize, bool silence,
                       Pulse& pulse);

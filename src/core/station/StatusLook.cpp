#include "station/StatusLook.h"

#include "station/Colors.h"
#include "station/TStation.h"

#include <algorithm>

using namespace Colors;

namespace {

int paletteStep(int i) {
    return std::min(255, i * 256 / 7);
}

} // namespace

quint32 ConnectPalette(int i) {
    const int b = paletteStep(i);
    return Rgb(b, 128 + b / 2, b);
}

quint32 RecordPalette(int i) {
    const int b = paletteStep(i);
    return Rgb(255, b, b);
}

int Pulse::Next() {
    const int current = step_;
    if (step_ + direction_ < 0 || step_ + direction_ > 7)
        direction_ = -direction_;
    step_ += direction_;
    return current;
}

StatusLook Show_Status(quint8 linkState, quint8 recState, bool lessSize, bool silence,
                       Pulse& pulse) {
    const StatusLook alarm = {QString(), Yellow, Red, false, Yellow, Red, false};
    const StatusLook error = {QStringLiteral("Error"), Red, White, false, Red, White, false};
    switch (linkState) {
    case LINK_STOP:
        return {QStringLiteral("Stop"), Silver, Black, false, Silver, Black, false};
    case LINK_CONNECT:
    case LINK_BUFFERING:
        return {linkState == LINK_CONNECT ? QStringLiteral("Connect") : QStringLiteral("Buffering"),
                White,
                ConnectPalette(pulse.Next()),
                true,
                0,
                0,
                false};
    case LINK_ONLINE:
        break;
    default:
        return error;
    }
    if (recState == 1 && lessSize) {
        StatusLook look = alarm;
        look.Word = QStringLiteral("LessSize");
        return look;
    }
    if (recState == 1)
        return {
            QStringLiteral("Recording"), White, RecordPalette(pulse.Next()), false, 0, Black, true};
    if (recState == 2)
        return error;
    if (silence) {
        StatusLook look = alarm;
        look.Word = QStringLiteral("Silence");
        return look;
    }
    return {QStringLiteral("Online"), White, ConnectPalette(pulse.Next()), false, 0, Black, false};
}

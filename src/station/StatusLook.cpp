#include "station/StatusLook.h"

#include "station/TStation.h"

#include <algorithm>

namespace {

constexpr quint32 kBlack = 0x000000;
constexpr quint32 kWhite = 0xFFFFFF;
constexpr quint32 kSilver = 0xC0C0C0;
constexpr quint32 kRed = 0x0000FF;
constexpr quint32 kYellow = 0x00FFFF;

quint32 rgb(int r, int g, int b) {
    return quint32(r) | quint32(g) << 8 | quint32(b) << 16;
}

int paletteStep(int i) {
    return std::min(255, i * 256 / 7);
}

} // namespace

quint32 ConnectPalette(int i) {
    const int b = paletteStep(i);
    return rgb(b, 128 + b / 2, b);
}

quint32 RecordPalette(int i) {
    const int b = paletteStep(i);
    return rgb(255, b, b);
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
    const StatusLook alarm = {QString(), kYellow, kRed, false, kYellow, kRed, false};
    const StatusLook error = {QStringLiteral("Error"), kRed, kWhite, false, kRed, kWhite, false};
    switch (linkState) {
    case LINK_STOP:
        return {QStringLiteral("Stop"), kSilver, kBlack, false, kSilver, kBlack, false};
    case LINK_CONNECT:
    case LINK_BUFFERING:
        return {linkState == LINK_CONNECT ? QStringLiteral("Connect") : QStringLiteral("Buffering"),
                kWhite,
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
        return {QStringLiteral("Recording"),
                kWhite,
                RecordPalette(pulse.Next()),
                false,
                0,
                kBlack,
                true};
    if (recState == 2)
        return error;
    if (silence) {
        StatusLook look = alarm;
        look.Word = QStringLiteral("Silence");
        return look;
    }
    return {
        QStringLiteral("Online"), kWhite, ConnectPalette(pulse.Next()), false, 0, kBlack, false};
}

#include "stream/BassErrors.h"

#include <cmath>
#include <utility>

namespace {

constexpr std::pair<int, const char*> kTexts[] = {
    {0, "All is OK"},
    {1, "Memory error"},
    {2, "Can't open the stream"},
    {3, "Can't find a free sound driver"},
    {4, "The sample buffer was lost"},
    {5, "Invalid handle"},
    {6, "Unsupported sample format"},
    {7, "Invalid position"},
    {8, "BASS_Init has not been successfully called"},
    {9, "BASS_Start has not been successfully called"},
    {14, "Already initialized/paused/whatever"},
    {18, "Can't get a free channel"},
    {19, "An illegal type was specified"},
    {20, "An illegal parameter was specified"},
    {21, "No 3D support"},
    {22, "No EAX support"},
    {23, "Illegal device number"},
    {24, "Not playing"},
    {25, "Illegal sample rate"},
    {27, "The stream is not a file stream"},
    {29, "No hardware voices available"},
    {31, "The MOD music has no sequence data"},
    {32, "No internet connection could be opened"},
    {33, "Couldn't create the file"},
    {34, "Effects are not enabled"},
    {37, "Requested data is not available"},
    {38, "The channel is a \"decoding channel\""},
    {39, "A sufficient DirectX version is not installed"},
    {40, "Connection timed out"},
    {41, "Server down or unsupported file format"},
    {42, "Unavailable speaker"},
    {43, "Invalid BASS version (used by add-ons)"},
    {44, "Codec is not available/supported"},
    {45, "The channel/file has ended"},
    {46, "The device is busy"},
    {-1, "Some other mystery problem"},
};

} // namespace

QString BassErrorText(int code) {
    QString text = QStringLiteral("Error code %1. ").arg(code);
    for (const auto& [c, t] : kTexts)
        if (c == code)
            text += QLatin1String(t);
    return text;
}

double LevelToDB(int level) {
    if (level <= 0)
        return -90.0;
    if (level >= 32768)
        return 0.0;
    return 20.0 * std::log10(level / 32768.0);
}

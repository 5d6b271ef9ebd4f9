#include "settings/StationConfig.h"

#include "base/TextCut.h"
#include "settings/IniFile.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

constexpr std::array<int, kSampleRateCount> kRates = {48000, 44100, 32000, 22050,
                                                      16000, 11025, 8000};

// Narrow fields take out-of-range values at the nearest end of their range
// instead of wrapping round to an unrelated number.
template <typename T> T narrow(int value) {
    return static_cast<T>(
        std::clamp<int>(value, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

} // namespace

int SampleRateFromIndex(int index) {
    return index >= 0 && index < int(kRates.size()) ? kRates[index] : 44100;
}

int SampleRateIndex(int rate) {
    const auto it = std::find(kRates.begin(), kRates.end(), rate);
    return it == kRates.end() ? 1 : int(it - kRates.begin());
}

QString StationSection(int number) {
    return QStringLiteral("Channel%1").arg(number);
}

int StationSectionNumber(const QString& section) {
    const QLatin1String prefix("Channel");
    if (!section.startsWith(prefix, Qt::CaseInsensitive))
        return -1;
    const QString rest = section.mid(prefix.size()).trimmed();
    if (rest.isEmpty() || rest.size() > 8)
        return -1;
    int value = 0;
    for (const QChar c : rest) {
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value <= 255 ? value : -1;
}

void EraseStationSections(IniDocument& doc, int number) {
    for (const QString& name : doc.sections())
        if (StationSectionNumber(name) == number)
            while (doc.eraseSection(name)) {
            }
}

void StationConfigStore::ReadStationConfig(const IniDocument& ini, int number, StationConfig& cfg) {
    const QString sec = StationSection(number);
    const StationConfig d;
    auto text = [&](const char* key, int cap) {
        return CutText(ini.readString(sec, QLatin1String(key), QString()), cap);
    };
    auto num = [&](const char* key, int def) {
        return ini.readInteger(sec, QLatin1String(key), def);
    };
    cfg.Name = text("Name", StationConfig::kShortText);
    cfg.FileDir = text("FileDir", StationConfig::kShortText);
    cfg.URL = text("URL", StationConfig::kLongText);
    cfg.BCCMail = text("BCCMail", StationConfig::kLongText);
    cfg.Mode = narrow<quint8>(num("Mode", d.Mode));
    cfg.SaveFiles = num("SaveFiles", d.SaveFiles);
    cfg.Driver = text("Driver", StationConfig::kShortText);
    cfg.Codec = num("Codec", d.Codec);
    cfg.Bitrate = num("Bitrate", d.Bitrate);
    const int channels = num("Channels", 1);
    cfg.Channels = channels <= 0 ? 1 : (channels > 2 ? 2 : quint8(channels));
    cfg.Silence = num("Silence", d.Silence);
    cfg.NoSilence = num("NoSilence", d.NoSilence);
    cfg.Level = narrow<qint8>(num("Level", d.Level));
    cfg.Connect = std::clamp(num("Connect", d.Connect), 0, 120);
    cfg.EBreak = text("EBreak", StationConfig::kShortText);
    cfg.ERestore = text("ERestore", StationConfig::kShortText);
    cfg.ESilence = text("ESilence", StationConfig::kShortText);
    cfg.ENoSilence = text("ENoSilence", StationConfig::kShortText);
}

void StationConfigStore::ReadStationConfig(int number, StationConfig& cfg) const {
    ReadStationConfig(IniFile(file_).load(), number, cfg);
}

bool StationConfigStore::WriteStationConfig(int number, const StationConfig& cfg) const {
    const QString sec = StationSection(number);
    return IniFile(file_).edit([&](IniDocument& ini) {
        auto text = [&](const char* key, const QString& v, int cap) {
            ini.writeString(sec, QLatin1String(key), CutText(v, cap));
        };
        auto num = [&](const char* key, int v) { ini.writeInteger(sec, QLatin1String(key), v); };
        text("Name", cfg.Name, StationConfig::kShortText);
        text("FileDir", cfg.FileDir, StationConfig::kShortText);
        text("URL", cfg.URL, StationConfig::kLongText);
        text("BCCMail", cfg.BCCMail, StationConfig::kLongText);
        num("Mode", cfg.Mode);
        num("SaveFiles", cfg.SaveFiles);
        text("Driver", cfg.Driver, StationConfig::kShortText);
        num("Codec", cfg.Codec);
        num("Bitrate", cfg.Bitrate);
        num("Channels", cfg.Channels);
        num("Silence", cfg.Silence);
        num("NoSilence", cfg.NoSilence);
        num("Level", cfg.Level);
        num("Connect", cfg.Connect);
        text("EBreak", cfg.EBreak, StationConfig::kShortText);
        text("ERestore", cfg.ERestore, StationConfig::kShortText);
        text("ESilence", cfg.ESilence, StationConfig::kShortText);
        text("ENoSilence", cfg.ENoSilence, StationConfig::kShortText);
    });
}

QPoint StationConfigStore::ReadStationPos(int number) const {
    const IniDocument ini = IniFile(file_).load();
    const QString sec = StationSection(number);
    return QPoint(ini.readInteger(sec, QStringLiteral("Schedule"), 0),
                  ini.readInteger(sec, QStringLiteral("Left"), 0));
}

bool StationConfigStore::WriteStationPos(int number, int left, int top) const {
    const QString sec = StationSection(number);
    return IniFile(file_).edit([&](IniDocument& ini) {
        ini.writeInteger(sec, QStringLiteral("Schedule"), left);
        ini.writeInteger(sec, QStringLiteral("Left"), top);
    });
}

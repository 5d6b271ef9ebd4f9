#pragma once

#include <QPoint>
#include <QString>

class IniDocument;

// The configuration of one station, stored in its own "Channel<number>" section.
// Texts have fixed capacities in characters and are cut when stored.
struct StationConfig {
    static constexpr int kShortText = 192;
    static constexpr int kLongText = 255;

    QString Name;        // max 192
    QString FileDir;     // max 192
    QString URL;         // max 255
    QString BCCMail;     // max 255
    quint8 Mode = 0;     // 0 manual, 1 connect, 2 connect and record
    int SaveFiles = 0;   // days to keep recordings; 0 = keep
    QString Driver;      // max 192; empty = no codec chosen
    int Codec = 0;       // format index of that driver; -1 = none
    int Bitrate = 44100; // sample rate of the recording, Hz
    quint8 Channels = 1;
    int Silence = 0;   // seconds
    int NoSilence = 0; // seconds
    qint8 Level = -32; // dB
    int Connect = 30;  // seconds, 0 to 120
    QString EBreak;    // max 192 each
    QString ERestore;
    QString ESilence;
    QString ENoSilence;

    bool operator==(const StationConfig&) const = default;
};

// The recording rates offered for a station, by their index in the settings dialog.
constexpr int kSampleRateCount = 7;
int SampleRateFromIndex(int index);
int SampleRateIndex(int rate);

QString StationSection(int number);
// The station number a section name stands for: "Channel" in any case, then a decimal
// number from 0 to 255, spaces and leading zeros allowed ("channel 007"); otherwise -1.
int StationSectionNumber(const QString& section);
// Erases every section that stands for the station, so that none can bring it back.
void EraseStationSections(IniDocument& doc, int number);

// Reads and writes station sections of one settings file.
class StationConfigStore {
public:
    explicit StationConfigStore(QString settingsFile) : file_(std::move(settingsFile)) {}

    void ReadStationConfig(int number, StationConfig& cfg) const;
    bool WriteStationConfig(int number, const StationConfig& cfg) const;
    // The window position is kept beside the record: left under "Schedule", top
    // under "Left".
    QPoint ReadStationPos(int number) const;
    bool WriteStationPos(int number, int left, int top) const;

    // For reading many stations from one opened file.
    static void ReadStationConfig(const IniDocument& ini, int number, StationConfig& cfg);

private:
    QString file_;
};

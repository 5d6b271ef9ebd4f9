#include "settings/StationConfig.h"
#include "TestSupport.h"
#include "base/TextCut.h"
#include "settings/IniDocument.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

// Every field away from its default; the URL holds a "=" of its own.
const StationConfig kFull = {.Name = "Радио Jazz",
                             .FileDir = "RR\\jazz",
                             .URL = "http://radio.example/listen?id=5&fmt=mp3",
                             .BCCMail = "a@x.org;b@y.org",
                             .Mode = 2,
                             .SaveFiles = 14,
                             .Driver = "MPEG Layer-3",
                             .Codec = -1,
                             .Bitrate = 22050,
                             .Channels = 2,
                             .Silence = 12,
                             .NoSilence = 3,
                             .Level = -40,
                             .Connect = 0,
                             .EBreak = "/usr/bin/notify break",
                             .ERestore = "restore.sh",
                             .ESilence = "silence.sh",
                             .ENoSilence = "sound.sh"};

struct Text {
    const char* key;
    QString StationConfig::*field;
    int cap;
};
const Text kTexts[] = {{"Name", &StationConfig::Name, 192},
                       {"FileDir", &StationConfig::FileDir, 192},
                       {"URL", &StationConfig::URL, 255},
                       {"BCCMail", &StationConfig::BCCMail, 255},
                       {"Driver", &StationConfig::Driver, 192},
                       {"EBreak", &StationConfig::EBreak, 192},
                       {"ERestore", &StationConfig::ERestore, 192},
                       {"ESilence", &StationConfig::ESilence, 192},
                       {"ENoSilence", &StationConfig::ENoSilence, 192}};

} // namespace

TEST(StationConfig, MissingSectionGivesTheDefaults) {
    TestFolder folder;
    const StationConfigStore store(folder.path("t.ini"));
    ASSERT_TRUE(store.WriteStationConfig(1, kFull));
    StationConfig cfg = kFull;
    store.ReadStationConfig(4, cfg);
    EXPECT_EQ(std::tuple(cfg.Mode, cfg.SaveFiles, cfg.Codec, cfg.Bitrate, cfg.Channels, cfg.Silence,
                         cfg.NoSilence, cfg.Level, cfg.Connect),
              std::tuple(0, 0, 0, 44100, 1, 0, 0, -32, 30));
    for (const Text& t : kTexts)
        EXPECT_TRUE((cfg.*t.field).isEmpty()) << t.key;
    EXPECT_EQ(StationSection(0), "Channel0");
    EXPECT_EQ(StationSection(17), "Channel17");
}

TEST(StationConfig, EveryFieldSurvivesARoundTrip) {
    TestFolder folder;
    const StationConfigStore store(folder.path("t.ini"));
    const StationConfig cfg = kFull;
    ASSERT_TRUE(store.WriteStationConfig(255, cfg));
    StationConfig back;
    store.ReadStationConfig(255, back);
    EXPECT_EQ(back, cfg);
    EXPECT_TRUE(folder.read("t.ini").startsWith("[Channel255]\n"));
    // Rewriting one station leaves its neighbours alone.
    ASSERT_TRUE(store.WriteStationConfig(3, cfg));
    ASSERT_TRUE(store.WriteStationConfig(255, StationConfig()));
    store.ReadStationConfig(3, back);
    EXPECT_EQ(back, cfg);
    EXPECT_FALSE(StationConfigStore(folder.path("t.ini/x.ini")).WriteStationConfig(1, cfg));
}

TEST(StationConfig, ReadingCorrectsOutOfRangeValues) {
    TestFolder folder;
    folder.write("t.ini", "[Channel1]\nChannels=5\nConnect=500\nLevel=-200\n"
                          "[Channel2]\nChannels=0\nConnect=-3\nLevel=200\n"
                          "[Channel3]\nChannels=abc\nBitrate=12345\n");
    const StationConfigStore store(folder.path("t.ini"));
    StationConfig a, b, c;
    store.ReadStationConfig(1, a);
    store.ReadStationConfig(2, b);
    store.ReadStationConfig(3, c);
    // Levels are clamped, never wrapped round to a level of the other sign.
    EXPECT_EQ(std::tuple(a.Channels, a.Connect, a.Level), std::tuple(2, 120, -128));
    EXPECT_EQ(std::tuple(b.Channels, b.Connect, b.Level), std::tuple(1, 0, 127));
    EXPECT_EQ(c.Channels, 1);
    EXPECT_EQ(c.Bitrate, 12345); // kept; the dialog shows it as 44100
    EXPECT_EQ(SampleRateFromIndex(SampleRateIndex(c.Bitrate)), 44100);
}

TEST(StationConfig, TextsAreCutToTheirCapacityInCharacters) {
    TestFolder folder;
    const StationConfigStore store(folder.path("t.ini"));
    // Two bytes each in UTF-8: a cut counting bytes would keep half.
    StationConfig cfg;
    for (const Text& t : kTexts)
        cfg.*t.field = QString(300, u'ж');
    ASSERT_TRUE(store.WriteStationConfig(1, cfg));
    StationConfig back;
    store.ReadStationConfig(1, back);
    const IniDocument raw = IniDocument::parse(folder.read("t.ini"));
    for (const Text& t : kTexts) {
        EXPECT_EQ(back.*t.field, QString(t.cap, u'ж')) << t.key;
        EXPECT_EQ(raw.readString("Channel1", t.key, ""), QString(t.cap, u'ж')) << t.key;
    }

    // U+1F3B5 is one character in two UTF-16 units; a cut never splits it.
    const QString note = QString::fromUtf8("\xF0\x9F\x8E\xB5");
    cfg.Name = QString(191, u'ж') + note + "tail";
    cfg.URL = QString(254, u'u') + note + note;
    ASSERT_TRUE(store.WriteStationConfig(1, cfg));
    store.ReadStationConfig(1, back);
    EXPECT_EQ(back.Name, QString(191, u'ж') + note);
    EXPECT_EQ(back.URL, QString(254, u'u') + note);
    EXPECT_EQ(CutText(note + note, 1), note);
    EXPECT_EQ(CutText(note, 0), "");

    // Hand-written files are cut when read as well.
    folder.write("u.ini", "[Channel0]\nFileDir=" + QByteArray(250, 'd') + "\n");
    StationConfigStore(folder.path("u.ini")).ReadStationConfig(0, back);
    EXPECT_EQ(back.FileDir, QString(192, u'd'));
}

TEST(StationConfig, WindowPositionAndRateTable) {
    TestFolder folder;
    const StationConfigStore store(folder.path("t.ini"));
    ASSERT_TRUE(store.WriteStationConfig(3, kFull));
    ASSERT_TRUE(store.WriteStationPos(3, 40, 70));
    const QByteArray raw = folder.read("t.ini");
    EXPECT_TRUE(raw.contains("\nSchedule=40\nLeft=70\n")) << raw.toStdString();
    EXPECT_EQ(raw.count("["), 1); // inside the station's own section
    EXPECT_EQ(store.ReadStationPos(3), QPoint(40, 70));
    EXPECT_EQ(store.ReadStationPos(4), QPoint(0, 0));
    const int rates[] = {48000, 44100, 32000, 22050, 16000, 11025, 8000};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(SampleRateFromIndex(i), rates[i]);
        EXPECT_EQ(SampleRateIndex(rates[i]), i);
    }
    EXPECT_EQ(SampleRateFromIndex(7), 44100);
    EXPECT_EQ(SampleRateFromIndex(-1), 44100);
    EXPECT_EQ(SampleRateIndex(12345), 1);
}

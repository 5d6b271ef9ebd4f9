#include "config/StationConfig.h"
#include "TestSupport.h"
#include "config/TextCut.h"

#include <gtest/gtest.h>

TEST(StationConfig, MissingSectionGivesTheDefaults) {
    TestFolder folder;
    StationConfig cfg;
    cfg.Name = "old";
    cfg.Codec = 9;
    StationConfigStore(folder.path("t.ini")).ReadStationConfig(4, cfg);
    EXPECT_EQ(cfg, StationConfig());
    EXPECT_EQ(cfg.Bitrate, 44100);
    EXPECT_EQ(cfg.Level, -32);
    EXPECT_EQ(cfg.Connect, 30);
    EXPECT_EQ(StationSection(0), "Channel0");
    EXPECT_EQ(StationSection(17), "Channel17");
}

TEST(StationConfig, EveryFieldSurvivesARoundTrip) {
    TestFolder folder;
    const StationConfigStore store(folder.path("t.ini"));
    StationConfig cfg;
    cfg.Name = "Радио Jazz";
    cfg.FileDir = "RR\\jazz";
    cfg.URL = "http://radio.example/jazz.mp3";
    cfg.BCCMail = "a@x.org;b@y.org";
    cfg.Mode = 2;
    cfg.SaveFiles = 14;
    cfg.Driver = "MPEG Layer-3";
    cfg.Codec = -1;
    cfg.Bitrate = 22050;
    cfg.Channels = 2;
    cfg.Silence = 12;
    cfg.NoSilence = 3;
    cfg.Level = -40;
    cfg.Connect = 0;
    cfg.EBreak = "/usr/bin/notify break";
    cfg.ERestore = "restore.sh";
    cfg.ESilence = "silence.sh";
    cfg.ENoSilence = "sound.sh";
    ASSERT_TRUE(store.WriteStationConfig(255, cfg));
    StationConfig back;
    store.ReadStationConfig(255, back);
    EXPECT_EQ(back, cfg);
    StationConfig other;
    store.ReadStationConfig(25, other);
    EXPECT_EQ(other, StationConfig());
}

TEST(StationConfig, ReadingCorrectsChannelsAndConnect) {
    TestFolder folder;
    folder.write("t.ini", "[Channel1]\nChannels=5\nConnect=500\nLevel=-200\n"
                          "[Channel2]\nChannels=0\nConnect=-3\n"
                          "[Channel3]\nChannels=abc\nBitrate=12345\nMode=x\n");
    const StationConfigStore store(folder.path("t.ini"));
    StationConfig a, b, c;
    store.ReadStationConfig(1, a);
    store.ReadStationConfig(2, b);
    store.ReadStationConfig(3, c);
    EXPECT_EQ(a.Channels, 2);
    EXPECT_EQ(a.Connect, 120);
    EXPECT_EQ(a.Level, -128); // clamped, never wrapped round to a positive level
    EXPECT_EQ(b.Channels, 1);
    EXPECT_EQ(b.Connect, 0);
    EXPECT_EQ(c.Channels, 1);
    EXPECT_EQ(c.Mode, 0);
    EXPECT_EQ(c.Bitrate, 12345); // kept; the dialog shows it as 44100
    EXPECT_EQ(SampleRateFromIndex(SampleRateIndex(c.Bitrate)), 44100);
}

TEST(StationConfig, TextsAreCutToTheirCapacityInCharacters) {
    TestFolder folder;
    const StationConfigStore store(folder.path("t.ini"));
    const QString note = QString::fromUtf8("\xF0\x9F\x8E\xB5"); // one character, two units
    StationConfig cfg;
    cfg.Name = QString(191, u'ж') + note + "tail";
    cfg.URL = QString(300, u'u');
    cfg.BCCMail = QString(254, u'b') + note + note;
    cfg.EBreak = QString(200, u'e');
    ASSERT_TRUE(store.WriteStationConfig(1, cfg));
    StationConfig back;
    store.ReadStationConfig(1, back);
    EXPECT_EQ(back.Name, QString(191, u'ж') + note);
    EXPECT_EQ(back.URL.size(), 255);
    EXPECT_EQ(back.BCCMail, QString(254, u'b') + note);
    EXPECT_EQ(back.EBreak.size(), 192);
    // Hand-written files are cut when read as well.
    folder.write("u.ini", "[Channel0]\nFileDir=" + QByteArray(250, 'd') + "\n");
    StationConfigStore(folder.path("u.ini")).ReadStationConfig(0, back);
    EXPECT_EQ(back.FileDir.size(), 192);
    EXPECT_EQ(CutText(note + note, 1), note);
    EXPECT_EQ(CutText("abc", 0), "");
}

TEST(StationConfig, WindowPositionAndRateTable) {
    TestFolder folder;
    const StationConfigStore store(folder.path("t.ini"));
    ASSERT_TRUE(store.WriteStationPos(3, 40, 70));
    EXPECT_TRUE(folder.read("t.ini").contains("[Channel3]\nSchedule=40\nLeft=70\n"));
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

#include "TestSupport.h"
#include "lang/Charset.h"
#include "station/StreamDisplay.h"
#include "station/TStation.h"
#include "stream/BassErrors.h"
#include "stream/Playlist.h"
#include "stream/StreamTags.h"

#include <QLocale>

#include <gtest/gtest.h>

TEST(StreamTexts, ErrorTextsCarryTheCodeAndItsDescription) {
    EXPECT_EQ(BassErrorText(40), "Error code 40. Connection timed out");
    EXPECT_EQ(BassErrorText(2), "Error code 2. Can't open the stream");
    EXPECT_EQ(BassErrorText(38), "Error code 38. The channel is a \"decoding channel\"");
    EXPECT_EQ(BassErrorText(-1), "Error code -1. Some other mystery problem");
    EXPECT_EQ(BassErrorText(10), "Error code 10. ");
    EXPECT_EQ(BassErrorText(47), "Error code 47. ");
}

TEST(StreamTexts, LevelsInDecibels) {
    EXPECT_DOUBLE_EQ(LevelToDB(0), -90.0);
    EXPECT_DOUBLE_EQ(LevelToDB(32768), 0.0);
    EXPECT_DOUBLE_EQ(LevelToDB(40000), 0.0);
    EXPECT_NEAR(LevelToDB(16384), -6.0206, 1e-3);
    EXPECT_NEAR(LevelToDB(1), -90.309, 1e-3);
}

TEST(StreamTexts, TitleIsCutFromTheMetaText) {
    EXPECT_EQ(TitleFromMeta("StreamTitle='A - B';StreamUrl='';"), "A - B");
    EXPECT_EQ(TitleFromMeta("StreamTitle='A - B'"), "");
    EXPECT_EQ(TitleFromMeta("StreamTitle='';"), "");
    EXPECT_EQ(TitleFromMeta(""), "");
    // The quoted value wherever it stands, semicolons and quotes inside kept.
    EXPECT_EQ(TitleFromMeta("StreamTitle='Simon & Garfunkel; Live';"), "Simon & Garfunkel; Live");
    EXPECT_EQ(TitleFromMeta("StreamTitle='Rock';n roll';StreamUrl='';"), "Rock';n roll");
    EXPECT_EQ(TitleFromMeta("StreamUrl='x';StreamTitle='Late';"), "Late");
    EXPECT_EQ(TitleFromMeta("StreamUrl='http://a/b.mp3';"), "");
}

TEST(StreamTexts, TagRunsAndNumbers) {
    const QByteArray run("icy-name:Jazz\0icy-br:128\0\0ignored\0", 35);
    EXPECT_EQ(TagTexts(run), QList<QByteArray>({"icy-name:Jazz", "icy-br:128"}));
    EXPECT_EQ(TagTexts(QByteArray()), QList<QByteArray>());
    EXPECT_EQ(TagTexts(QByteArray("single")), QList<QByteArray>({"single"}));
    EXPECT_EQ(LeadingNumber("128"), 128);
    EXPECT_EQ(LeadingNumber("64000 bps"), 64000);
    EXPECT_EQ(LeadingNumber(" 128"), 0);
    EXPECT_EQ(LeadingNumber("x"), 0);
}

TEST(StreamTexts, TitlesInAnyCharsetDecodeOnce) {
    const QString title = QStringLiteral("Żółć – Радио ’98");
    const QByteArray utf8 = title.toUtf8();
    EXPECT_EQ(UTFDecodeWhile(utf8), title);
    EXPECT_EQ(UTFDecodeWhile("Plain ASCII"), "Plain ASCII");
    // UTF-8 read as single bytes and encoded again, once and twice.
    const QByteArray twice = QString::fromLatin1(QStringLiteral("Café").toUtf8()).toUtf8();
    const QByteArray thrice = QString::fromLatin1(twice).toUtf8();
    EXPECT_EQ(UTFDecodeWhile(twice), QStringLiteral("Café"));
    EXPECT_EQ(UTFDecodeWhile(thrice), QStringLiteral("Café"));
    QString mojibake;
    ASSERT_TRUE(Charset::Decode("\xE2\x80\x99", "WINDOWS-1252", &mojibake));
    EXPECT_EQ(UTFDecodeWhile(mojibake.toUtf8()), QStringLiteral("’"));

    // Not UTF-8 at all: the legacy code page of the locale, never replacement marks.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    EXPECT_EQ(UTFDecodeWhile("\xD0\xE0\xE4\xE8\xEE 1"), QStringLiteral("Радио 1"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(UTFDecodeWhile("Caf\xE9"), QStringLiteral("Café"));
    QLocale::setDefault(saved);
}

TEST(StreamTexts, FormatAndBufferDisplay) {
    EXPECT_EQ(FrequencyText(44100), "44 KHz");
    EXPECT_EQ(FrequencyText(0), "");
    EXPECT_EQ(InputBitrateText(128), "128 Kb");
    EXPECT_EQ(InputBitrateText(1000), "1000 Kb");
    EXPECT_EQ(InputBitrateText(64000), "64 Kb");
    EXPECT_EQ(InputBitrateText(0), "");
    EXPECT_EQ(OutputBitrateText(64000), "64 Kb");
    EXPECT_EQ(ChannelsText(1), "Mono");
    EXPECT_EQ(ChannelsText(2), "Stereo");
    EXPECT_EQ(ChannelsText(6), "");
    EXPECT_EQ(BufferColor(5), 0x0000FFu);
    EXPECT_EQ(BufferColor(6), 0x00FFFFu);
    EXPECT_EQ(BufferColor(10), 0x00FFFFu);
    EXPECT_EQ(BufferColor(11), 0xC0C0C0u);

    TStation st;
    FormatTexts texts;
    EXPECT_FALSE(Show_Info_Freq(st, texts));
    st.StreamRate = 22050;
    st.StreamBitRate = 64;
    st.StreamChannels = 1;
    st.StreamInfoChanged = true;
    EXPECT_TRUE(Show_Info_Freq(st, texts));
    EXPECT_EQ(texts.InFreq, "22 KHz");
    EXPECT_EQ(texts.InBitrate, "64 Kb");
    EXPECT_EQ(texts.InCh, "Mono");
    EXPECT_FALSE(Show_Info_Freq(st, texts));
    // Online without a stream is an empty buffer: the link is opened again.
    st.LinkState = LINK_ONLINE;
    EXPECT_EQ(Show_Buffer(st), 0);
    EXPECT_EQ(st.LinkState, LINK_CONNECT);
}

TEST(StreamTexts, PlayListsGiveTheirStreamsInOrder) {
    EXPECT_TRUE(IsPlaylistUrl("http://h/radio.PLS"));
    EXPECT_TRUE(IsPlaylistUrl("http://h/radio.m3u?x=1"));
    EXPECT_FALSE(IsPlaylistUrl("http://h/radio.m3u8"));
    EXPECT_FALSE(IsPlaylistUrl("http://h/stream.mp3"));
    const QByteArray pls = "[playlist]\r\nNumberOfEntries=2\r\nFile2=http://b/two\r\n"
                           "Title1=One\r\nfile1=/one\r\nFile3=file:///etc/passwd\r\n";
    EXPECT_EQ(PlaylistEntries(pls, "http://host:8000/list.pls"),
              QStringList({"http://host:8000/one", "http://b/two"}));
    const QByteArray m3u = "#EXTM3U\n#EXTINF:-1,One\nhttp://a/one\n\nrelative.mp3\n";
    EXPECT_EQ(PlaylistEntries(m3u, "http://host/dir/list.m3u"),
              QStringList({"http://a/one", "http://host/dir/relative.mp3"}));
}

TEST(StreamTexts, BlockQueueHandsOverInOrderAndDropsTheOldestBeyondItsBound) {
    TBlockQueue queue;
    queue.SetLimitMs(1000);
    PcmBlock block;
    EXPECT_FALSE(queue.TakeOldest(&block));
    // 100 ms blocks of 8 kHz mono: the eleventh starts a run of drops, counted once.
    const QByteArray pcm(1600, '\0');
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(queue.Append(pcm.constData(), qint32(pcm.size()), 8000, 1), 0);
    EXPECT_EQ(queue.Append("ab", 2, 8000, 1), 1);
    EXPECT_EQ(queue.Append(pcm.constData(), qint32(pcm.size()), 8000, 1), 0);
    EXPECT_EQ(queue.Count(), 10);
    while (queue.Count() > 2)
        ASSERT_TRUE(queue.TakeOldest(&block));
    ASSERT_TRUE(queue.TakeOldest(&block));
    EXPECT_EQ(block.Data, "ab");
    EXPECT_EQ(block.Rate, 8000);
    EXPECT_EQ(block.Channels, 1);
    // Taking ends the run: the next drop is reported again, with the total.
    for (int i = 0; i < 9; ++i)
        queue.Append(pcm.constData(), qint32(pcm.size()), 8000, 1);
    EXPECT_EQ(queue.Append(pcm.constData(), qint32(pcm.size()), 8000, 1), 3);
    queue.Clear();
    EXPECT_EQ(queue.Count(), 0);
}

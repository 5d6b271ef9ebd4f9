#include "station/StreamWorker.h"
#include "StreamServer.h"
#include "TestSupport.h"
#include "base/TickCount.h"
#include "program/SoundDevices.h"
#include "settings/FSettings.h"
#include "station/StreamDisplay.h"
#include "station/TStation.h"
#include "stream/StreamTags.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <set>
#include <thread>

namespace {

using namespace std::chrono_literals;

// One station with its worker, driven the way the station's tick drives it: the
// block queue is emptied and the buffer looked at every 10 ms.
class Station {
public:
    explicit Station(const QString& url, double bufferSeconds = 1.0, int connect = 30) {
        st.Config.URL = url;
        st.Config.Connect = connect;
        st.BufferTimeout = bufferSeconds;
        st.WorkerThread = std::thread(StreamWorker, &st);
        st.LinkState = LINK_CONNECT;
        st.WakeWorker();
    }
    ~Station() { stop(); }

    // Runs the tick until the condition holds or the time is up.
    bool runUntil(const std::function<bool()>& done, int ms) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            tick();
            if (done())
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    void tick() {
        states.insert(st.LinkState);
        fill = Show_Buffer(st);
        PcmBlock block;
        while (st.BlockQueue.TakeOldest(&block)) {
            pcmBytes += block.Data.size();
            if (block.Rate != rate || block.Channels != channels)
                formats.push_back({block.Rate, block.Channels});
            rate = block.Rate;
            channels = block.Channels;
            countCrossings(block);
        }
    }
    // Sign changes of the first channel, and the seconds they were counted over.
    void countCrossings(const PcmBlock& block) {
        const auto* pcm = reinterpret_cast<const qint16*>(block.Data.constData());
        const qsizetype frames = block.Data.size() / 2 / block.Channels;
        for (qsizetype i = 0; i < frames; ++i) {
            const bool positive = pcm[i * block.Channels] >= 0;
            crossings += positive != wasPositive ? 1 : 0;
            wasPositive = positive;
        }
        crossingSeconds += double(frames) / block.Rate;
    }
    void setUrl(const QString& url) {
        const std::lock_guard lock(st.ConfigLock);
        st.Config.URL = url;
    }
    // Returns how long the worker took to end.
    qint64 stop() {
        if (!st.WorkerThread.joinable())
            return 0;
        QElapsedTimer timer;
        timer.start();
        st.StopWorker = true;
        st.WakeWorker();
        st.WorkerThread.join();
        EXPECT_FALSE(st.StopWorker) << "the worker acknowledges by clearing the flag";
        return timer.elapsed();
    }
    bool online(int ms = 15000) {
        return runUntil([&] { return st.LinkState == LINK_ONLINE; }, ms);
    }
    bool failed(int ms = 15000) {
        return runUntil([&] { return st.LinkState == LINK_ERROR; }, ms);
    }

    TStation st;
    std::set<int> states;
    int fill = 0;
    qint64 pcmBytes = 0;
    qint32 rate = 0;
    quint8 channels = 0;
    std::vector<std::pair<qint32, quint8>> formats; // each format the blocks came in
    qint64 crossings = 0;
    double crossingSeconds = 0.0;
    bool wasPositive = false;
};

void setBuffer(double seconds) {
    BASS_SetConfig(BASS_CONFIG_NET_BUFFER, quint32(seconds * 1000));
}

class StreamWorkerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = new StreamServer;
        ASSERT_TRUE(
            server->start({"--name", "Test Radio", "--title", "First Song", "--metaint", "4000"}));
        static TSettings settings;
        static SoundDevices devices(settings);
        devices.UpdateSoundCards(GetTickCount64Ex());
        devices.BassInit();
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        setBuffer(1.0);
        SetHlsAvailable(true);
        server->setTitle("First Song");
        server->setSilence(false);
        server->stall(0);
        server->refuse(false);
    }
    static StreamServer* server;
};

StreamServer* StreamWorkerTest::server = nullptr;

} // namespace

TEST_F(StreamWorkerTest, ConnectsBuffersAndReadsTheStreamsTags) {
    Station s(server->url("/stream.mp3"));
    ASSERT_TRUE(s.online());
    EXPECT_TRUE(s.states.count(LINK_BUFFERING) || s.states.count(LINK_CONNECT));
    EXPECT_EQ(s.st.Message.get(), "Online");
    EXPECT_EQ(s.st.StreamName.get(), "Test Radio");
    EXPECT_EQ(s.st.StreamBitRate, 128);
    EXPECT_EQ(s.st.StreamRate, 44100);
    EXPECT_EQ(s.st.StreamChannels, 2);
    EXPECT_TRUE(s.runUntil([&] { return s.st.StreamTitle.get() == "First Song"; }, 5000));
    // A new title arrives through the meta sync.
    ASSERT_TRUE(server->setTitle(QStringLiteral("Второй – Song")));
    s.st.TagsChanged = false;
    EXPECT_TRUE(s.runUntil([&] { return s.st.TagsChanged.load(); }, 5000));
    StreamLabels labels;
    EXPECT_TRUE(s.runUntil(
        [&] {
            HintFormer(s.st, labels);
            return labels.Title == QStringLiteral("Второй – Song");
        },
        5000));
    EXPECT_EQ(labels.Station, "Test Radio");
    EXPECT_LT(s.stop(), 1000);
}

TEST_F(StreamWorkerTest, PcmIsHandedOverInRealTime) {
    Station s(server->url("/stream.mp3"));
    ASSERT_TRUE(s.online());
    s.runUntil([&] { return s.pcmBytes > 0; }, 2000);
    s.pcmBytes = 0;
    QElapsedTimer timer;
    timer.start();
    s.runUntil([] { return false; }, 8000);
    const double seconds = double(s.pcmBytes) / (44100 * 2 * 2);
    EXPECT_NEAR(seconds, timer.elapsed() / 1000.0, 0.02 * timer.elapsed() / 1000.0);
    // The queue is refilled in bunches, so the fill moves between about 70 and 100 %.
    EXPECT_GE(s.fill, 60);
    const quint32 level = BASS_ChannelGetLevel(s.st.StreamHandle);
    EXPECT_GT(level & 0xFFFF, 1000u);
    EXPECT_GT(level >> 16, 1000u);
}

TEST_F(StreamWorkerTest, OldServersChunkedBodiesAndPlayLists) {
    for (const char* path : {"/icy.mp3", "/chunked.mp3", "/redirect", "/list.pls", "/list.m3u"}) {
        Station s(server->url(path));
        ASSERT_TRUE(s.online()) << path << " " << s.st.Message.get().toStdString();
        EXPECT_TRUE(s.runUntil([&] { return s.st.StreamTitle.get() == "First Song"; }, 5000))
            << path;
    }
}

TEST_F(StreamWorkerTest, HttpsStreamsPlayWithTheirTitles) {
    StreamServer tls;
    ASSERT_TRUE(tls.start({"--tls", "--title", "Secure Song", "--metaint", "3000"}));
    Station s(tls.url("/chunked.mp3").replace("http://", "https://"));
    ASSERT_TRUE(s.online()) << s.st.Message.get().toStdString();
    EXPECT_EQ(s.st.StreamName.get(), "Tidewell Test Radio");
    EXPECT_TRUE(s.runUntil([&] { return s.st.StreamTitle.get() == "Secure Song"; }, 5000));
}

TEST_F(StreamWorkerTest, HlsOpensThroughItsOwnCallOnly) {
    for (const char* path : {"/hls/index.m3u8", "/hls/INDEX.M3U8", "/hls/ranges.m3u8"}) {
        Station s(server->url(path));
        ASSERT_TRUE(s.online(20000)) << path << " " << s.st.Message.get().toStdString();
        EXPECT_GT(s.st.StreamRate, 0);
    }
    // Without the HLS plug-in, HLS is a format no stream plays.
    SetHlsAvailable(false);
    ASSERT_TRUE(BASS_PluginFree(2));
    Station s(server->url("/hls/index.m3u8"));
    const bool failed = s.failed();
    BASS_PluginLoad("BASSHLS", 0);
    ASSERT_TRUE(failed);
    EXPECT_EQ(s.st.Message.get(), "Error code 41. Server down or unsupported file format");
}

TEST_F(StreamWorkerTest, FailuresGiveTheirTextsAndRetryTimes) {
    {
        Station s(server->url("/missing"));
        const quint64 before = GetTickCount64Ex();
        ASSERT_TRUE(s.failed());
        EXPECT_EQ(s.st.Message.get(), "Error code 2. Can't open the stream");
        EXPECT_TRUE(s.st.MessagePending);
        EXPECT_GE(s.st.RetryTick, before + 2000);
        EXPECT_LE(s.st.RetryTick, GetTickCount64Ex() + 2000);
    }
    {
        // Nothing listens on port 1; a short Connect time retries after 5 s.
        Station s("http://127.0.0.1:1/stream.mp3", 1.0, 5);
        ASSERT_TRUE(s.failed());
        EXPECT_EQ(s.st.Message.get(), "Error code 2. Can't open the stream");
        EXPECT_GE(s.st.RetryTick, GetTickCount64Ex() + 4000);
    }
    {
        // A header without end is refused once it passes 16 KiB, long before the time-out.
        Station s(server->url("/endless-header"));
        ASSERT_TRUE(s.failed());
        EXPECT_EQ(s.st.Message.get(), "Error code 41. Server down or unsupported file format");
    }
    {
        Station s(server->url("/redirect-loop"));
        ASSERT_TRUE(s.failed());
        EXPECT_EQ(s.st.Message.get(), "Error code 2. Can't open the stream");
    }
    {
        Station s(server->url("/garbage"));
        ASSERT_TRUE(s.failed());
        EXPECT_EQ(s.st.Message.get(), "Error code 41. Server down or unsupported file format");
    }
    {
        ASSERT_TRUE(server->refuse(true));
        Station s(server->url("/stream.mp3"));
        s.st.ConnectionLost = true;
        ASSERT_TRUE(s.failed());
        EXPECT_TRUE(s.st.Message.get().startsWith("Error code "))
            << s.st.Message.get().toStdString();
        EXPECT_GE(s.st.RetryTick, GetTickCount64Ex() + 4000);
    }
    {
        // A server that accepts but never answers: the open gives up in bounded time.
        ASSERT_TRUE(server->refuse(false));
        ASSERT_TRUE(server->stall(30));
        Station s(server->url("/stream.mp3"));
        ASSERT_TRUE(s.failed(20000));
        EXPECT_EQ(s.st.Message.get(), "Error code 40. Connection timed out");
        server->stall(0);
    }
    // An empty address simply stops.
    Station s("   ");
    EXPECT_TRUE(s.runUntil([&] { return s.st.LinkState == LINK_STOP; }, 2000));
}

TEST_F(StreamWorkerTest, AStalledOrDroppedStreamIsNoticedByItsBuffer) {
    Station s(server->url("/stream.mp3"));
    ASSERT_TRUE(s.online());
    ASSERT_TRUE(server->stall(10));
    EXPECT_TRUE(s.runUntil([&] { return s.st.LinkState == LINK_CONNECT; }, 5000));
    server->stall(0);
    ASSERT_TRUE(s.online());
    ASSERT_TRUE(server->drop());
    EXPECT_TRUE(s.runUntil([&] { return s.st.LinkState != LINK_ONLINE; }, 5000));
    EXPECT_TRUE(s.online());
}

TEST_F(StreamWorkerTest, BufferingWaitsWhileItGainsAndFailsWhenItStops) {
    // A buffer longer than the server's burst fills only as fast as the stream plays.
    setBuffer(30.0);
    Station s(server->url("/stream.mp3"), 3.0);
    ASSERT_TRUE(s.runUntil([&] { return s.st.LinkState == LINK_BUFFERING; }, 10000));
    EXPECT_FALSE(s.runUntil([&] { return s.st.LinkState != LINK_BUFFERING; }, 7000));
    EXPECT_GT(s.fill, 10);
    ASSERT_TRUE(server->stall(20));
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(s.failed(10000));
    EXPECT_GE(timer.elapsed(), 2000);
    EXPECT_EQ(s.st.Message.get(), "Error buffering");
    // Stopping while buffering ends at once.
    server->stall(0);
    s.st.LinkState = LINK_CONNECT;
    s.st.WakeWorker();
    ASSERT_TRUE(s.runUntil([&] { return s.st.LinkState == LINK_BUFFERING; }, 10000));
    EXPECT_LT(s.stop(), 1000);
}

TEST_F(StreamWorkerTest, StoppingTheLinkFreesTheStream) {
    Station s(server->url("/stream.mp3"));
    ASSERT_TRUE(s.online());
    // What the station's tick does when the operator stops the link.
    s.st.LinkState = LINK_STOP;
    Stream_Release(s.st);
    EXPECT_EQ(s.st.StreamHandle, 0u);
    EXPECT_EQ(s.st.StreamRate, 0);
    EXPECT_TRUE(s.runUntil([&] { return server->connectedClients() == 0; }, 3000));
    EXPECT_FALSE(s.runUntil([&] { return s.st.LinkState != LINK_STOP; }, 500));
}

TEST(SoundDevices, TheFirstDeviceIsNoSound) {
    TSettings settings;
    SoundDevices devices(settings);
    devices.RefreshDeviceList();
    ASSERT_FALSE(devices.DeviceList().isEmpty());
    EXPECT_EQ(devices.DeviceList().first(), "--- No sound ---");
    settings.DeviceName = "A device that is not there";
    bool told = true;
    devices.OnSoundAvailable = [&](bool present) { told = present; };
    devices.UpdateSoundCards(0);
    EXPECT_EQ(settings.DeviceIndex, 0);
    EXPECT_EQ(devices.NextDevicePoll, 5000u);
}

TEST(SoundDevices, NetworkOptionsAreAppliedEvenWhenTheOutputWasStarted) {
    TSettings settings;
    SoundDevices devices(settings);
    settings.Buffer = 0.2;
    devices.BassInit();
    EXPECT_DOUBLE_EQ(settings.Buffer, 0.5);
    EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_NET_BUFFER), 500u);
    settings.Buffer = 1.5;
    devices.BassInit(); // the output is already running: options still apply
    EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_NET_BUFFER), 1500u);
    EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_WMA_PREBUF), 1500u);
    EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_NET_PREBUF), 0u);
    EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_NET_PLAYLIST), 2u);
    EXPECT_TRUE(HlsAvailable());
}

TEST_F(StreamWorkerTest, OnlyOneStationIsHeardAtATime) {
    Station a(server->url("/stream.mp3"));
    Station b(server->url("/stream.mp3"));
    ASSERT_TRUE(a.online());
    ASSERT_TRUE(b.online());
    a.st.Listening = b.st.Listening = true;
    a.st.ListenVolume = b.st.ListenVolume = 100.0;
    Listen_Shutup({&a.st, &b.st});
    EXPECT_FALSE(a.st.Listening || b.st.Listening);
    EXPECT_EQ(a.st.ListenVolume, 0.0);
    EXPECT_EQ(b.st.ListenVolume, 0.0);
}

TEST_F(StreamWorkerTest, AChangeOfRateAndChannelsMidStreamIsFollowedAtTheRightPitch) {
    // 44.1 kHz stereo for three seconds, then 48 kHz mono, both a 440 Hz tone.
    Station s(server->url("/switch.mp3"));
    ASSERT_TRUE(s.online());
    ASSERT_TRUE(s.runUntil([&] { return s.rate == 48000; }, 10000));
    s.crossings = 0;
    s.crossingSeconds = 0.0;
    s.runUntil([] { return false; }, 2000);
    const std::vector<std::pair<qint32, quint8>> expected = {{44100, 2}, {48000, 1}};
    EXPECT_EQ(s.formats, expected);
    BASS_CHANNELINFO info;
    ASSERT_TRUE(BASS_ChannelGetInfo(s.st.StreamHandle, &info));
    EXPECT_EQ(info.freq, 48000u);
    EXPECT_EQ(info.chans, 1u);
    ASSERT_GT(s.crossingSeconds, 1.0);
    EXPECT_NEAR(s.crossings / s.crossingSeconds / 2, 440.0, 5.0);
}

TEST_F(StreamWorkerTest, StoppingNeverWaitsForAConnectThatHangs) {
    for (const char* path : {"/never", "/dead-mirror.pls"}) {
        Station s(server->url(path));
        s.runUntil([] { return false; }, 1000);
        ASSERT_EQ(s.st.LinkState, LINK_CONNECT) << path;
        // What the station's tick does when the operator stops the link, then quits.
        QElapsedTimer timer;
        timer.start();
        s.st.LinkState = LINK_STOP;
        Stream_Release(s.st);
        EXPECT_LT(s.stop() + timer.elapsed(), 500) << path;
    }
}

TEST_F(StreamWorkerTest, EachPlayListEntryHasItsOwnTimeOut) {
    // The first mirror accepts and never answers; the second is fine.
    Station s(server->url("/dead-mirror.pls"));
    EXPECT_TRUE(s.online(25000)) << s.st.Message.get().toStdString();
}

TEST_F(StreamWorkerTest, TheAddressAskedForLastIsTheOneThatOpens) {
    Station s(server->url("/never"));
    s.runUntil([] { return false; }, 500);
    s.setUrl(server->url("/stream.mp3"));
    // The hanging open is given up for the new address, without an error between.
    ASSERT_TRUE(s.online(5000)) << s.st.Message.get().toStdString();
    EXPECT_FALSE(s.states.count(LINK_ERROR));
}

TEST_F(StreamWorkerTest, TitlesKeepTheirSemicolonsAndLongOnesAreCutAsCharacters) {
    const QString cyrillic(300, QChar(0x416));
    const std::pair<QString, QString> cases[] = {
        {"Simon & Garfunkel; Live", "Simon & Garfunkel; Live"},
        {cyrillic, cyrillic.left(255)},
    };
    Station s(server->url("/stream.mp3"));
    ASSERT_TRUE(s.online());
    for (const auto& [sent, shown] : cases) {
        ASSERT_TRUE(server->setTitle(sent));
        StreamLabels labels;
        EXPECT_TRUE(s.runUntil(
            [&] {
                HintFormer(s.st, labels);
                return labels.Title == shown;
            },
            5000))
            << labels.Title.toStdString();
    }
}

TEST_F(StreamWorkerTest, HlsIsKnownByItsContentWhateverTheAddress) {
    for (const char* path : {"/hls/live.m3u", "/hls-entry.m3u", "/stream.mp3?format=.m3u8"}) {
        Station s(server->url(path));
        ASSERT_TRUE(s.online(20000)) << path << " " << s.st.Message.get().toStdString();
        EXPECT_GT(s.st.StreamRate, 0) << path;
        // Played as a plain list, only the first two-second segment would come, again
        // and again, each time on a new stream.
        const HSTREAM first = s.st.StreamHandle;
        s.runUntil([] { return false; }, 5000);
        EXPECT_EQ(s.st.StreamHandle, first) << path;
    }
}

TEST_F(StreamWorkerTest, ASourceWhoseClockRunsSlowNeverDrainsTheBuffer) {
    // 1.5 % slow: paced by the local clock, 0.6 s of buffer would run dry in under 40 s.
    setBuffer(0.6);
    Station s(server->url("/slow.mp3"));
    ASSERT_TRUE(s.online());
    s.states.clear();
    int lowest = 100;
    s.runUntil(
        [&] {
            lowest = std::min(lowest, s.fill);
            return false;
        },
        45000);
    EXPECT_EQ(s.states, std::set<int>({LINK_ONLINE}));
    EXPECT_GT(lowest, 20);
}

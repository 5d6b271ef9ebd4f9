#include "RecordingHost.h"
#include "StreamServer.h"
#include "TestSupport.h"
#include "codec/LameDriver.h"
#include "program/SoundDevices.h"
#include "station/StationEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <sys/resource.h>

namespace {

const QDateTime kBeforeTen(QDate(2026, 12, 7), QTime(9, 59, 54));

int mp3Index(int rate, int channels, int kbps) {
    for (const Mp3Format& f : Mp3Formats())
        if (f.rate == rate && f.channels == channels && f.kbps == kbps)
            return int(f.index);
    return -1;
}

// A station recording the local test stream at 22050 Hz mono, 64 kbit/s.
class StationRecording : public ::testing::Test {
protected:
    void SetUp() override {
        folder.copyShippedLanguages();
        host = std::make_unique<RecordingHost>(folder);
        ASSERT_TRUE(server.start({"--name", "Record Radio"}));
        devices.BassInit();
        BASS_SetConfig(BASS_CONFIG_NET_BUFFER, 1000);
        cfg.Name = "Jazz";
        cfg.FileDir = "Jazz";
        cfg.URL = server.url("/stream.mp3");
        cfg.Driver = LameDriver().LongName();
        cfg.Codec = mp3Index(22050, 1, 64);
        cfg.Bitrate = 22050;
        cfg.Channels = 1;
        cfg.SaveFiles = 2;
        cfg.Connect = 30;
    }

    void startEngine() { engine = std::make_unique<StationEngine>(*host, 0, 4, cfg, 1.0); }
    bool waitFor(const std::function<bool()>& done, int ms = 20000) {
        return QTest::qWaitFor(done, ms);
    }
    TStation& st() { return engine->Station(); }

    TestFolder folder;
    std::unique_ptr<RecordingHost> host;
    StreamServer server;
    TSettings settings;
    SoundDevices devices{settings};
    StationConfig cfg;
    std::unique_ptr<StationEngine> engine;
};

QByteArray lastBytes(const QString& file, int count) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().right(count);
}

} // namespace

TEST_F(StationRecording, CrossingTheHourGivesTwoTaggedFilesAndLosesNothing) {
    startEngine();
    engine->Link_Start();
    ASSERT_TRUE(waitFor([&] { return engine->StatusWord() == "Online"; }));
    // Counts the decoded PCM beside the station: drained queue and counter start
    // together, and end together, so the count is what the recording was given.
    std::atomic<qint64> pcmBytes{0};
    BASS_ChannelSetDSP(
        st().StreamHandle,
        [](HDSP, HSTREAM, void*, quint32 length, void* user) {
            *static_cast<std::atomic<qint64>*>(user) += length;
        },
        &pcmBytes, 0);
    host->SetClock(kBeforeTen);
    engine->TimerTimer();
    pcmBytes = 0;
    engine->Record_Start();
    EXPECT_TRUE(engine->RecordShowsStop());
    EXPECT_FALSE(engine->LinkEnabled());
    ASSERT_TRUE(waitFor([&] { return RecordedFiles(folder.path("Record")).size() == 2; }));
    QTest::qWait(3000);
    engine->TimerTimer();
    const double seconds = pcmBytes / (44100.0 * 4);
    engine->Record_Stop();
    EXPECT_FALSE(engine->RecordShowsStop());
    EXPECT_EQ(st().FileHandle, -1);
    engine->Recorder().Chain().Wait(); // the file is finished off the main thread

    const QString root = folder.path("Record");
    const QString first = root + "/Jazz/2026/December/07/09-59-54.MP3";
    const QString second = root + "/Jazz/2026/December/07/10-00-00.MP3";
    ASSERT_EQ(RecordedFiles(root), QStringList({first, second}));
    const QByteArray tag1 = lastBytes(first, 128);
    EXPECT_TRUE(tag1.startsWith("TAG09:59:54-10:00:00")) << tag1.left(40).toStdString();
    EXPECT_EQ(tag1.mid(33, 5), QByteArray("Jazz\0", 5));
    EXPECT_EQ(quint8(tag1[126]), 10); // the hour 9, plus one
    EXPECT_TRUE(lastBytes(second, 128).startsWith("TAG10:00:00-10:00:0"));
    ASSERT_EQ(host->added.size(), 2);
    EXPECT_EQ(host->added[0], std::make_pair(4, first));
    EXPECT_EQ(host->added[1], std::make_pair(4, second));

    double total = 0;
    for (const QString& file : {first, second}) {
        const AudioProbe probe = ProbeAudio(file);
        ASSERT_TRUE(probe.ok) << file.toStdString();
        EXPECT_EQ(probe.codec, "mp3");
        EXPECT_EQ(probe.sampleRate, 22050);
        EXPECT_EQ(probe.channels, 1);
        EXPECT_EQ(probe.bitRate, 64000);
        total += probe.duration;
    }
    // Each file also holds the encoder's start delay (50 ms) and its last frame's
    // padding, so a loss at the change of hour shows as less than what was given.
    EXPECT_GE(total, seconds) << "recorded " << total << " s of " << seconds << " s";
    EXPECT_LE(total, seconds + 0.2) << "recorded " << total << " s of " << seconds << " s";
}

// Each way a file cannot be made: the error is shown, logged, mailed and listed, and
// recording stays blocked (no new attempt) until it is started again.
TEST_F(StationRecording, FileErrorsBlockTheRecordingUntilItIsStartedAgain) {
    folder.write("plain", "not a folder");
    QDir().mkpath(folder.path("Clash/Jazz/clash.MP3"));
    struct Case {
        QString root, fileDir, expected;
    };
    const QList<Case> cases = {
        {folder.path("plain/Record"), "Jazz", "Cannot create the folder " + folder.path("plain/")},
        {folder.path("Clash"), "Jazz",
         "Cannot delete the existing file " + folder.path("Clash/Jazz/clash.MP3")},
        // No one, not even root, creates files in the kernel's own folders.
        {"/proc", "sys", "Cannot create the file /proc/sys/clash.MP3"},
    };
    host->settings.FileNames = "RR\\'clash'";
    startEngine();
    engine->Link_Start();
    ASSERT_TRUE(waitFor([&] { return engine->StatusWord() == "Online"; }));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        host->logs.clear();
        host->notices.clear();
        host->settings.Root = c.root;
        cfg.FileDir = c.fileDir;
        st().Config.FileDir = c.fileDir;
        engine->Record_Start();
        ASSERT_TRUE(waitFor([&] { return st().RecState == 2; }, 3000))
            << st().FileName.toStdString();
        EXPECT_EQ(engine->StatusLine(), c.expected);
        EXPECT_EQ(host->logs, QStringList{"Jazz: " + c.expected});
        EXPECT_EQ(host->notices, QStringList{"|Jazz|" + c.expected});
        EXPECT_EQ(st().Status.ErrorList.last().Text, c.expected);
        EXPECT_TRUE(waitFor([&] { return engine->StatusWord() == "Error"; }, 1000));
        QTest::qWait(300);
        EXPECT_EQ(host->logs.size(), 1);
        EXPECT_EQ(st().RecState, 2);
        engine->Record_Stop();
    }
}

// A disk that takes no more (here a file-size limit) fails the recording with
// "ErrorRec", reported like every file error once, and asks the disk guard to look;
// the file still ends with its tag.
// Recording goes on in a new file once the guard has seen the space back, and always
// after a stop and start.
TEST_F(StationRecording, ShortWriteIsReportedAndRecordingResumes) {
    startEngine();
    engine->Link_Start();
    ASSERT_TRUE(waitFor([&] { return engine->StatusWord() == "Online"; }));
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = 12000; // a second and a half at 64 kbit/s
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    engine->Record_Start();
    const bool failed = waitFor([&] { return st().RecState == 2; }, 10000);
    QTest::qWait(500);
    setrlimit(RLIMIT_FSIZE, &saved);
    ASSERT_TRUE(failed);
    const QString text = "Cannot write to the recording file";
    EXPECT_EQ(engine->StatusLine(), text);
    EXPECT_EQ(host->logs, QStringList{"Jazz: " + text});
    EXPECT_EQ(host->notices, QStringList{"|Jazz|" + text});
    EXPECT_EQ(host->diskChecks, 1);
    EXPECT_EQ(st().FileHandle, -1);
    EXPECT_FALSE(engine->Recorder().Encoding());
    const QString root = folder.path("Record");
    ASSERT_EQ(RecordedFiles(root).size(), 1);
    engine->Recorder().Chain().Wait();
    // The tag fits in what the full disk took.
    EXPECT_LE(QFileInfo(RecordedFiles(root)[0]).size(), 12000);
    EXPECT_GT(QFileInfo(RecordedFiles(root)[0]).size(), 11000);
    EXPECT_TRUE(lastBytes(RecordedFiles(root)[0], 128).startsWith("TAG"));

    QTest::qWait(1100); // a new file gets a new name
    st().LessSize = true; // the guard saw the disk full...
    engine->TimerTimer();
    EXPECT_EQ(st().RecState, 2);
    st().LessSize = false; // ...and then room again
    ASSERT_TRUE(waitFor([&] { return RecordedFiles(root).size() == 2; }, 3000));
    const auto grows = [&](int files) {
        return waitFor([&] { return QFileInfo(RecordedFiles(root).last()).size() > 8000; },
                       5000) &&
               RecordedFiles(root).size() == files;
    };
    EXPECT_TRUE(grows(2));
    EXPECT_EQ(host->logs.size(), 1);

    QTest::qWait(1100);
    engine->Record_Stop();
    engine->Record_Start();
    EXPECT_TRUE(waitFor([&] { return RecordedFiles(root).size() == 3; }, 3000));
    EXPECT_TRUE(grows(3));
    EXPECT_EQ(st().RecState, 1);
}

// Low disk space closes the file (tagged) and opens none; recording goes on in a new
// file once the space is back.
TEST_F(StationRecording, LowDiskPausesBetweenFiles) {
    startEngine();
    engine->Record_Start();
    ASSERT_TRUE(waitFor([&] { return engine->StatusWord() == "Recording"; }));
    ASSERT_TRUE(waitFor([&] { return engine->Recorder().Encoding(); }));
    QTest::qWait(1000);
    st().LessSize = true;
    ASSERT_TRUE(waitFor([&] { return st().FileHandle < 0; }, 1000));
    engine->Recorder().Chain().Wait();
    EXPECT_TRUE(waitFor([&] { return engine->StatusWord() == "Disk full"; }, 1000))
        << engine->StatusWord().toStdString();
    const QStringList files = RecordedFiles(folder.path("Record"));
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(lastBytes(files[0], 128).startsWith("TAG"));
    EXPECT_EQ(st().RecState, 1);
    QTest::qWait(1100);
    EXPECT_EQ(RecordedFiles(folder.path("Record")).size(), 1);
    st().LessSize = false;
    EXPECT_TRUE(waitFor([&] { return RecordedFiles(folder.path("Record")).size() == 2; }, 1000));
    engine->SBRClick(); // the button shows its stop face: it stops
    EXPECT_EQ(st().RecState, 0);
    EXPECT_TRUE(engine->LinkEnabled());
}

TEST_F(StationRecording, AStreamThatChangesRateAndChannelsIsRecordedInFullAndShown) {
    // 44.1 kHz stereo for three seconds, then 48 kHz mono.
    cfg.URL = server.url("/switch.mp3");
    startEngine();
    engine->Link_Start();
    ASSERT_TRUE(waitFor([&] { return engine->StatusWord() == "Online"; }));
    std::atomic<qint64> pcmMs{0};
    BASS_ChannelSetDSP(
        st().StreamHandle,
        [](HDSP, HSTREAM channel, void*, quint32 length, void* user) {
            BASS_CHANNELINFO info;
            BASS_ChannelGetInfo(channel, &info);
            *static_cast<std::atomic<qint64>*>(user) += length * 500 / (info.freq * info.chans);
        },
        &pcmMs, 0);
    engine->TimerTimer();
    pcmMs = 0;
    engine->Record_Start();
    ASSERT_TRUE(waitFor([&] { return engine->Formats().InCh == "Mono"; }, 10000));
    EXPECT_EQ(engine->Formats().InFreq, "48 KHz");
    EXPECT_EQ(st().StreamRate, 48000);
    QTest::qWait(2000);
    engine->TimerTimer();
    const double seconds = pcmMs / 1000.0;
    engine->Record_Stop();
    EXPECT_EQ(st().RecState, 0);
    const QStringList files = RecordedFiles(folder.path("Record"));
    ASSERT_EQ(files.size(), 1);
    const AudioProbe probe = ProbeAudio(files.first());
    ASSERT_TRUE(probe.ok);
    // Read in the wrong format, the mono part would last about half as long.
    EXPECT_NEAR(probe.duration, seconds, 0.3);
}

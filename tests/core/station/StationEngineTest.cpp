#include "station/StationEngine.h"
#include "RecordingHost.h"
#include "StreamServer.h"
#include "TestSupport.h"
#include "base/TickCount.h"
#include "lang/QVLanguage.h"
#include "program/SoundDevices.h"
#include "settings/FSettings.h"
#include "station/StationHost.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

bool waitFor(const std::function<bool()>& done, int ms = 20000) {
    return QTest::qWaitFor(done, ms);
}

} // namespace

TEST(StationEngine, ReportsLossRestorationSilenceAndSound) {
    TestFolder folder;
    folder.copyShippedLanguages();
    RecordingHost host(folder);
    StreamServer server;
    ASSERT_TRUE(server.start({"--name", "Engine Radio"}));
    TSettings settings;
    SoundDevices devices(settings);
    devices.BassInit();
    BASS_SetConfig(BASS_CONFIG_NET_BUFFER, 1000);

    StationConfig cfg;
    cfg.Name = "Jazz";
    cfg.URL = server.url("/stream.mp3");
    cfg.BCCMail = "ops@example.org";
    cfg.Connect = 2;
    cfg.Silence = 2;
    cfg.NoSilence = 1;
    cfg.Level = -32;
    cfg.EBreak = "break.sh";
    cfg.ERestore = "restore.sh";
    cfg.ESilence = "silence.sh";
    cfg.ENoSilence = "sound.sh";
    auto engine = std::make_unique<StationEngine>(host, 0, 7, cfg, 1.0);
    QSignalSpy words(engine.get(), &StationEngine::statusWordChanged);
    EXPECT_TRUE(waitFor([&] { return engine->StatusWord() == "Stopped"; }, 2000));

    engine->Link_Start();
    ASSERT_TRUE(waitFor([&] { return engine->StatusWord() == "Online"; }));
    EXPECT_TRUE(waitFor([&] { return engine->Labels().Station == "Engine Radio"; }, 3000));
    EXPECT_EQ(engine->Formats().InFreq, "44 KHz");
    EXPECT_EQ(engine->Formats().InCh, "Stereo");
    EXPECT_EQ(engine->StatusLine(), "Online");
    EXPECT_TRUE(engine->LinkEnabled() && engine->LinkShowsStop());
    EXPECT_FALSE(engine->RecordEnabled()); // no encoder chosen
    EXPECT_EQ(engine->BufferColorNow(), 0xC0C0C0u);

    ASSERT_TRUE(server.setSilence(true));
    ASSERT_TRUE(waitFor([&] { return host.commands.contains("silence.sh"); }, 10000));
    EXPECT_TRUE(host.logs.contains("Jazz: Silence detected"));
    EXPECT_TRUE(host.notices.contains("ops@example.org|Jazz|Silence detected\rТишина в канале!"));
    EXPECT_TRUE(waitFor([&] { return engine->StatusWord() == "Silence"; }, 1000));
    ASSERT_TRUE(server.setSilence(false));
    ASSERT_TRUE(waitFor([&] { return host.commands.contains("sound.sh"); }, 10000));
    EXPECT_TRUE(host.logs.contains("Jazz: Sound restored"));

    ASSERT_TRUE(server.refuse(true));
    ASSERT_TRUE(server.drop());
    ASSERT_TRUE(waitFor([&] { return host.commands.contains("break.sh"); }));
    EXPECT_TRUE(engine->Station().ConnectionLost);
    const QString lostLog = host.logs.last();
    EXPECT_TRUE(lostLog.startsWith("Jazz: Error code ")) << lostLog.toStdString();
    EXPECT_TRUE(
        host.notices.last().startsWith("ops@example.org|Jazz|Connection lost: Error code "));
    EXPECT_GE(engine->Station().Status.ErrorCount, 3);
    ASSERT_TRUE(server.refuse(false));
    ASSERT_TRUE(waitFor([&] { return host.commands.contains("restore.sh"); }));
    EXPECT_EQ(host.logs.last(), "Jazz: Connection restored");
    EXPECT_EQ(host.commands, QStringList({"silence.sh", "sound.sh", "break.sh", "restore.sh"}));

    engine->SBListenClick();
    EXPECT_EQ(host.listenChannel, 7);
    EXPECT_EQ(engine->Station().ListenVolume, 100.0);

    engine->Link_Stop();
    EXPECT_EQ(engine->StatusLine(), "Stopped");
    EXPECT_FALSE(engine->LinkShowsStop());
    EXPECT_TRUE(waitFor([&] { return engine->StatusWord() == "Stopped"; }, 1000));
    QStringList seen;
    for (const QList<QVariant>& args : words)
        seen << args.first().toString();
    // Each change of the word is signalled once, the refused reconnections among them.
    EXPECT_EQ(seen.first(), "Stopped");
    EXPECT_TRUE(seen.contains("Error")) << seen.join(",").toStdString();
    EXPECT_EQ(seen.last(), "Stopped");
    QElapsedTimer timer;
    timer.start();
    engine.reset();
    EXPECT_LT(timer.elapsed(), 1000);
}

#include "RecordingHost.h"
#include "StreamServer.h"
#include "TestSupport.h"
#include "gui/LedMeterView.h"
#include "gui/TFr_Station.h"
#include "program/SoundDevices.h"
#include "station/StationEngine.h"

#include <QLabel>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

// A station window on a real stream: it shows the engine's state, forwards its
// clicks, and its meter follows the sound.
TEST(StationWindow, ShowsTheStationAndForwardsItsClicks) {
    TestFolder folder;
    folder.copyShippedLanguages();
    RecordingHost host(folder);
    StreamServer server;
    ASSERT_TRUE(server.start({"--name", "Window Radio"}));
    TSettings settings;
    SoundDevices devices(settings);
    devices.BassInit();
    StationConfig cfg;
    cfg.Name = "Jazz";
    cfg.URL = server.url("/stream.mp3");
    StationEngine engine(host, 0, 9, cfg, 1.0);
    TFr_Station window(engine);
    window.show();
    auto* status = window.findChild<QLabel*>("PanStatus");
    auto* link = window.findChild<QToolButton*>("SBLink");
    auto* record = window.findChild<QToolButton*>("SBR");
    auto* meter = window.findChild<LedMeterView*>("ImgLed");
    auto* title = window.findChild<QLabel*>("LTitle");
    ASSERT_TRUE(status && link && record && meter && title);
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->text() == "Stopped"; }, 2000));
    EXPECT_TRUE(link->isEnabled());
    EXPECT_FALSE(record->isEnabled()); // no encoder chosen
    const QImage silent = meter->Image();

    link->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return status->text() == "Online"; }, 20000));
    EXPECT_TRUE(engine.LinkShowsStop());
    EXPECT_TRUE(QTest::qWaitFor([&] { return title->text() == "Test Artist - Test Song"; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return meter->Image() != silent; }, 3000));

    // The listen indicator: a green gradient while listened to, grey otherwise.
    auto* listen = window.findChild<QWidget*>("HDListen");
    ASSERT_NE(listen, nullptr);
    EXPECT_TRUE(listen->styleSheet().contains("#c0c0c0"));
    engine.ListenUp();
    EXPECT_TRUE(QTest::qWaitFor([&] { return listen->styleSheet().contains("#00ff00"); }, 1000));
    EXPECT_EQ(host.listenChannel, 9); // the station number is what is remembered
    engine.ListenDown();
    EXPECT_TRUE(QTest::qWaitFor([&] { return listen->styleSheet().contains("#c0c0c0"); }, 1000));

    const int scale = LedMetter::Scale(9);
    QTest::mouseClick(meter, Qt::LeftButton);
    EXPECT_EQ(LedMetter::Scale(9), (scale + 1) % 3);
    QTest::mouseClick(window.findChild<QLabel*>("ImgConnect"), Qt::LeftButton);
    QTest::mouseClick(meter, Qt::LeftButton);
    EXPECT_EQ(LedMetter::Scale(9), scale); // three clicks: back to the first scale

    link->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->text() == "Stopped"; }, 2000));
    EXPECT_FALSE(engine.LinkShowsStop());
    EXPECT_TRUE(QTest::qWaitFor([&] { return engine.RawLevel() == 0; }, 1000));
}

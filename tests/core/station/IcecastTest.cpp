#include "Icecast.h"
#include "TestSupport.h"
#include "base/TickCount.h"
#include "program/SoundDevices.h"
#include "settings/FSettings.h"
#include "station/StreamDisplay.h"
#include "station/StreamWorker.h"
#include "station/TStation.h"
#include "stream/StreamTags.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <thread>

TEST(Icecast, AStationPlaysAnIcecastMountAndFollowsItsTitles) {
    TSettings settings;
    SoundDevices devices(settings);
    devices.BassInit();
    Icecast icecast;
    ASSERT_TRUE(icecast.start());

    TStation st;
    st.Config.URL = icecast.url("/live.mp3");
    st.Config.Connect = 30;
    st.BufferTimeout = 1.0;
    st.WorkerThread = std::thread(StreamWorker, &st);
    auto runUntil = [&](const std::function<bool()>& done, int ms) {
        QElapsedTimer timer;
        timer.start();
        PcmBlock block;
        while (timer.elapsed() < ms && !done()) {
            // The mount appears once the source has connected; retry as the tick does.
            if (st.LinkState == LINK_ERROR && GetTickCount64Ex() >= st.RetryTick) {
                st.LinkState = LINK_CONNECT;
                st.WakeWorker();
            }
            Show_Buffer(st);
            while (st.BlockQueue.TakeOldest(&block)) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return done();
    };
    st.LinkState = LINK_CONNECT;
    st.WakeWorker();
    EXPECT_TRUE(runUntil([&] { return st.LinkState == LINK_ONLINE; }, 30000))
        << st.Message.get().toStdString();
    EXPECT_EQ(st.StreamName.get(), "Icecast Test");
    EXPECT_EQ(st.StreamRate, 44100);
    ASSERT_TRUE(icecast.setTitle(QStringLiteral("Artist – Tïtle")));
    EXPECT_TRUE(runUntil([&] { return st.StreamTitle.get() == "Artist – Tïtle"; }, 15000))
        << st.StreamTitle.get().toStdString();
    st.StopWorker = true;
    st.WakeWorker();
    st.WorkerThread.join();
}

TEST(Icecast, EveryConnectToA48kHz320kMountOpens) {
    TSettings settings;
    SoundDevices devices(settings);
    devices.BassInit();
    Icecast icecast(100, 48000, 320);
    ASSERT_TRUE(icecast.start());
    // Icecast's burst on connect starts wherever its queue stands, mostly mid-frame.
    int opened = 0;
    QElapsedTimer since;
    since.start();
    while (opened < 20 && since.elapsed() < 60000) {
        const HSTREAM h = BASS_StreamCreateURL(icecast.url("/live.mp3"), 0, 0, nullptr, nullptr);
        const int error = BASS_ErrorGetCode();
        if (h == 0 && opened == 0 && error == BASS_ERROR_FILEOPEN) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200)); // mount not up yet
            continue;
        }
        ASSERT_NE(h, 0u) << "connect " << opened << ": error " << error;
        BASS_CHANNELINFO info;
        ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
        EXPECT_EQ(info.freq, 48000u);
        BASS_StreamFree(h);
        ++opened;
    }
    EXPECT_EQ(opened, 20);
}

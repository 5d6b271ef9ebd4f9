#include "station/ConnectionCheck.h"
#include "TestSupport.h"
#include "station/TStation.h"

#include <gtest/gtest.h>

namespace {

// Advances the detector by whole seconds in the given link state.
ConnectionEvent run(TStation& st, quint64& now, quint8 state, int seconds) {
    ConnectionEvent last = ConnectionEvent::None;
    st.LinkState = state;
    for (int i = 0; i < seconds; ++i) {
        now += 1000;
        const ConnectionEvent e = Check_Connection(st, now);
        if (e != ConnectionEvent::None)
            last = e;
    }
    return last;
}

} // namespace

TEST(ConnectionCheck, LossAddsUpAndOnlineTimeCountsBack) {
    TStation st;
    st.Config.Connect = 30;
    st.RetryTick = quint64(-1); // keep the error state during the test
    quint64 now = 1000000;
    st.LastCheckTick = now;
    EXPECT_EQ(run(st, now, LINK_ERROR, 10), ConnectionEvent::None);
    EXPECT_EQ(run(st, now, LINK_ONLINE, 5), ConnectionEvent::None);
    EXPECT_DOUBLE_EQ(st.LossSeconds, 5.0);
    EXPECT_EQ(run(st, now, LINK_BUFFERING, 24), ConnectionEvent::None);
    EXPECT_EQ(run(st, now, LINK_BUFFERING, 1), ConnectionEvent::Lost);
    EXPECT_TRUE(st.ConnectionLost);
    EXPECT_EQ(st.LossSeconds, 0.0);
    // Once lost, online time adds up towards restoration, and failures count back.
    EXPECT_EQ(run(st, now, LINK_ONLINE, 20), ConnectionEvent::None);
    EXPECT_EQ(run(st, now, LINK_CONNECT, 5), ConnectionEvent::None);
    EXPECT_EQ(run(st, now, LINK_ONLINE, 15), ConnectionEvent::Restored);
    EXPECT_FALSE(st.ConnectionLost);
    // Stopping forgets everything.
    run(st, now, LINK_CONNECT, 10);
    run(st, now, LINK_STOP, 1);
    EXPECT_EQ(st.LossSeconds, 0.0);
}

TEST(ConnectionCheck, NoDetectionWithoutConnectTimeAndRetries) {
    TStation st;
    st.Config.Connect = 0;
    quint64 now = 5000;
    st.LastCheckTick = now;
    st.RetryTick = now + 2500;
    EXPECT_EQ(run(st, now, LINK_ERROR, 2), ConnectionEvent::None);
    EXPECT_EQ(st.LinkState, LINK_ERROR);
    now += 1000;
    Check_Connection(st, now);
    EXPECT_EQ(st.LinkState, LINK_CONNECT);
    EXPECT_EQ(run(st, now, LINK_CONNECT, 500), ConnectionEvent::None);
    EXPECT_TRUE(ConnectionBar(st, 100).PanelColor);
    // A clock that went backwards adds nothing.
    st.Config.Connect = 30;
    Check_Connection(st, now - 100000);
    EXPECT_EQ(st.LossSeconds, 0.0);
}

TEST(ConnectionCheck, TheBarAsData) {
    TStation st;
    st.Config.Connect = 20;
    st.LinkState = LINK_CONNECT;
    st.LossSeconds = 5; // a quarter
    BarImage bar = ConnectionBar(st, 101);
    EXPECT_EQ(bar.Width, 24);
    EXPECT_EQ(bar.BarColor, 0x7F7FFFu);
    EXPECT_EQ(bar.RestColor, 0xFFFFFFu);
    st.ConnectionLost = true;
    bar = ConnectionBar(st, 101);
    EXPECT_EQ(bar.BarColor, 0xFFFFFFu);
    EXPECT_EQ(bar.RestColor, 0x0000FFu);
    st.ConnectionLost = false;
    st.LossSeconds = 0;
    EXPECT_EQ(ConnectionBar(st, 101).Width, 0);
    st.LinkState = LINK_STOP;
    EXPECT_TRUE(ConnectionBar(st, 101).PanelColor);
}

TEST(ConnectionCheck, ErrorListKeeps64AndCountsTheDay) {
    tErrorLst status;
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < 65; ++i)
        ErrorListAdd(status, QStringLiteral("error %1").arg(i), now.addSecs(-3600 * (64 - i)));
    ASSERT_EQ(status.ErrorList.size(), 64);
    EXPECT_EQ(status.ErrorList.first().Text, "error 1");
    EXPECT_EQ(status.ErrorCount, 65);
    // Entries 41 to 64 are younger than a day.
    EXPECT_EQ(GetOneDayCount(status, now), 24);
    ErrorListAdd(status, QString(300, u'e'), now);
    EXPECT_EQ(status.ErrorList.last().Text.size(), 255);
}

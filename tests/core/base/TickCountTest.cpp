#include "base/TickCount.h"

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <vector>

TEST(TickCount, CarriesOverEveryWrapOfTheThirtyTwoBitCounter) {
    const std::vector<quint32> readings = {0xFFFFFF00u, 0xFFFFFFF0u, 0x10u, 0x20u,
                                           0xFFFFFFFFu, 0x0u,        0x5u};
    size_t next = 0;
    TickCounter counter([&] { return readings[next++]; });
    EXPECT_EQ(counter.Read(), 0xFFFFFF00ull);
    EXPECT_EQ(counter.Read(), 0xFFFFFFF0ull);
    EXPECT_EQ(counter.Read(), 0x100000010ull);
    EXPECT_EQ(counter.Read(), 0x100000020ull);
    EXPECT_EQ(counter.Read(), 0x1FFFFFFFFull);
    EXPECT_EQ(counter.Read(), 0x200000000ull);
    EXPECT_EQ(counter.Read(), 0x200000005ull);
}

TEST(TickCount, EqualReadingsAreNoWrap) {
    TickCounter counter([] { return 1000u; });
    EXPECT_EQ(counter.Read(), 1000ull);
    EXPECT_EQ(counter.Read(), 1000ull);
}

TEST(TickCount, ProcessCounterFollowsTheClock) {
    QElapsedTimer timer;
    timer.start();
    const quint64 before = GetTickCount64Ex();
    QThread::msleep(50);
    const quint64 after = GetTickCount64Ex();
    const qint64 elapsed = timer.elapsed();
    EXPECT_GE(after - before, 45u);
    EXPECT_LE(after - before, quint64(elapsed) + 5);
}

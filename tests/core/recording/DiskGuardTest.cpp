#include "recording/DiskGuard.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

constexpr quint64 kMiB = 1048576;

// A volume whose free space the test sets; nullopt makes the query fail.
struct FakeVolume {
    std::optional<quint64> free;
    QString mount = QStringLiteral("/mnt/recordings");
    QString askedFor;
    int queries = 0;

    DiskGuard::FreeSpaceSource Source() {
        return [this](const QString& path, QString* mountPoint) {
            ++queries;
            askedFor = path;
            if (free)
                *mountPoint = mount;
            return free;
        };
    }
};

class DiskGuardTest : public ::testing::Test {
protected:
    FakeVolume volume;
    DiskGuard guard{1000, volume.Source()};
    quint64 tick = 1000;

    // One check a minute apart, recording, with the given free space.
    DiskGuard::Outcome Check(std::optional<quint64> free, int availableMb = 16,
                             bool anyRecording = true) {
        volume.free = free;
        const DiskGuard::Outcome outcome =
            guard.Check_Free_Size(tick, "/mnt/recordings/radio", availableMb, anyRecording);
        tick += 60000;
        return outcome;
    }
};

} // namespace

TEST_F(DiskGuardTest, ChecksOnTheFirstTickAndThenOnceAMinute) {
    EXPECT_EQ(guard.NextDiskCheck, 1000u);
    volume.free = 100 * kMiB;
    guard.Check_Free_Size(1000, "/mnt/recordings/radio", 16, true);
    EXPECT_EQ(volume.queries, 1);
    EXPECT_EQ(volume.askedFor, "/mnt/recordings/radio");
    EXPECT_EQ(guard.FreeBytes, 100 * kMiB);
    EXPECT_EQ(guard.Drive(), "/mnt/recordings");

    volume.free = 5 * kMiB;
    const DiskGuard::Outcome early =
        guard.Check_Free_Size(60999, "/mnt/recordings/radio", 16, true);
    EXPECT_FALSE(early.handOut);
    EXPECT_EQ(volume.queries, 1);
    EXPECT_EQ(guard.FreeBytes, 100 * kMiB);
    guard.Check_Free_Size(61000, "/mnt/recordings/radio", 16, true);
    EXPECT_EQ(volume.queries, 2);
    EXPECT_EQ(guard.FreeBytes, 5 * kMiB);
}

TEST_F(DiskGuardTest, PausesAtTheLimitAndResumesSixteenMegabytesAbove) {
    // Above the limit, below the resume mark: the stations get the unchanged state.
    DiskGuard::Outcome out = Check(16 * kMiB + 1);
    EXPECT_TRUE(out.handOut);
    EXPECT_FALSE(out.becameLow);
    EXPECT_FALSE(guard.SpaceLow);

    out = Check(16 * kMiB);
    EXPECT_TRUE(out.handOut);
    EXPECT_TRUE(out.becameLow);
    EXPECT_TRUE(guard.SpaceLow);

    out = Check(32 * kMiB);
    EXPECT_TRUE(out.handOut);
    EXPECT_FALSE(out.becameLow);
    EXPECT_TRUE(guard.SpaceLow);

    out = Check(32 * kMiB + 1);
    EXPECT_TRUE(out.handOut);
    EXPECT_FALSE(out.becameLow);
    EXPECT_FALSE(guard.SpaceLow);

    // Plenty of space and not low: nothing to hand out.
    out = Check(500 * kMiB);
    EXPECT_FALSE(out.handOut);
    EXPECT_FALSE(guard.SpaceLow);
}

TEST_F(DiskGuardTest, NoticeOnlyOnTheChangeToLow) {
    EXPECT_TRUE(Check(10 * kMiB).becameLow);
    const DiskGuard::Outcome again = Check(2 * kMiB);
    EXPECT_FALSE(again.becameLow);
    EXPECT_FALSE(again.handOut);
    EXPECT_TRUE(guard.SpaceLow);
    EXPECT_EQ(guard.FreeBytes, 2 * kMiB);
}

TEST_F(DiskGuardTest, WithoutRecordingTheSpaceIsMeasuredButNothingChanges) {
    const DiskGuard::Outcome out = Check(1 * kMiB, 16, false);
    EXPECT_FALSE(out.handOut);
    EXPECT_FALSE(out.becameLow);
    EXPECT_FALSE(guard.SpaceLow);
    EXPECT_EQ(guard.FreeBytes, 1 * kMiB);
    EXPECT_EQ(volume.queries, 1);

    // Once recording starts the low space counts.
    EXPECT_TRUE(Check(1 * kMiB).becameLow);
    EXPECT_FALSE(Check(900 * kMiB, 16, false).handOut);
    EXPECT_TRUE(guard.SpaceLow);
}

TEST_F(DiskGuardTest, FailingQueryKeepsTheLastMeasurement) {
    Check(100 * kMiB);
    const DiskGuard::Outcome out = Check(std::nullopt);
    EXPECT_EQ(guard.FreeBytes, 100 * kMiB);
    EXPECT_EQ(guard.Drive(), "/mnt/recordings");
    EXPECT_FALSE(out.becameLow);
    EXPECT_FALSE(guard.SpaceLow);
}

TEST_F(DiskGuardTest, NeverMeasuredCountsAsLow) {
    const DiskGuard::Outcome out = Check(std::nullopt);
    EXPECT_EQ(guard.FreeBytes, 0u);
    EXPECT_TRUE(out.becameLow);
    EXPECT_TRUE(guard.SpaceLow);
    EXPECT_TRUE(guard.Drive().isEmpty());
}

TEST_F(DiskGuardTest, TurningTheLimitOffReleasesTheStations) {
    DiskGuard::Outcome out = Check(0, 0);
    EXPECT_TRUE(out.handOut);
    EXPECT_FALSE(out.becameLow);
    EXPECT_FALSE(guard.SpaceLow);

    Check(1 * kMiB, 16);
    ASSERT_TRUE(guard.SpaceLow);
    out = Check(1 * kMiB, 0);
    EXPECT_TRUE(out.handOut);
    EXPECT_FALSE(out.becameLow);
    EXPECT_FALSE(guard.SpaceLow);
}

TEST(VolumeFreeSpace, MeasuresTheVolumeOfAFolderEvenBeforeItExists) {
    TestFolder folder;
    QString mount;
    const std::optional<quint64> free = VolumeFreeSpace(folder.path(""), &mount);
    ASSERT_TRUE(free.has_value());
    EXPECT_GT(*free, 0u);
    EXPECT_FALSE(mount.isEmpty());

    QString laterMount;
    const std::optional<quint64> later = VolumeFreeSpace(folder.path("not/yet/made"), &laterMount);
    ASSERT_TRUE(later.has_value());
    EXPECT_GT(*later, 0u);
    EXPECT_EQ(laterMount, mount);

    EXPECT_FALSE(VolumeFreeSpace("", &mount).has_value());
}

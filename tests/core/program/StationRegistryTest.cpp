#include "TestSupport.h"
#include "lang/DialogRequest.h"
#include "program/ProgramCore.h"
#include "settings/IniFile.h"
#include "station/StationEngine.h"

#include <gtest/gtest.h>

namespace {

class Answers : public DialogPresenter {
public:
    DialogButton Present(const DialogRequest& request) override {
        shown << request.text;
        return request.defaultButton;
    }
    QStringList shown;
};

} // namespace

TEST(StationRegistry, ReadsValidSectionsAddsChecksAndDeletes) {
    TestFolder folder;
    folder.copyShippedLanguages();
    folder.write("tidewell.ini", "[Settings]\nListenChannel=2\n"
                                 "[Channel2]\nName=Two\nFileDir=two\n"
                                 "[Channelx]\nName=X\n"
                                 "[Channel300]\nName=Big\n"
                                 "[channel5]\nName=Lower\n"
                                 "[Channel0]\nName=Zero\nFileDir=zero\n");
    Answers answers;
    ProgramCore core(ProgramPaths::Resolve(folder.path("tidewell"), QString()), &answers);
    ASSERT_TRUE(core.Create());
    StationRegistry& stations = core.Stations();
    stations.ReadStations();
    ASSERT_EQ(stations.Count(), 2);
    EXPECT_EQ(stations.At(0)->Station().Number, 0);
    EXPECT_EQ(stations.At(1)->Station().Config.Name, "Two");
    EXPECT_TRUE(stations.At(1)->Station().Listening);
    EXPECT_EQ(stations.GetStation_Index(2), 1);
    EXPECT_EQ(stations.GetStation_Index(5), -1);

    EXPECT_EQ(stations.FreeNumber(), 1);
    StationEngine* added = stations.CreateStation(1, "Station 2");
    EXPECT_EQ(added->Station().Index, 2);
    EXPECT_TRUE(
        folder.read("tidewell.ini").contains("[Channel1]\nName=Station 2\nFileDir=Station 2"));

    EXPECT_TRUE(stations.CheckDouble("Two", "two", 2)); // its own name and folder
    EXPECT_FALSE(stations.CheckDouble("Two", "elsewhere", 0));
    EXPECT_FALSE(stations.CheckDouble("New", "two", 0));
    ASSERT_EQ(answers.shown.size(), 2);
    EXPECT_EQ(answers.shown[0],
              "A station named \"Two\" already exists.\r\nPlease choose another name.");
    EXPECT_TRUE(answers.shown[1].contains("\"two\"") && answers.shown[1].contains("\"Two\""));

    // Deleting the station being listened to stops listening.
    stations.PendingDeleteIndex = 1;
    stations.DeleteStation();
    EXPECT_EQ(stations.PendingDeleteIndex, -1);
    ASSERT_EQ(stations.Count(), 2);
    EXPECT_EQ(stations.At(1)->Station().Number, 1);
    EXPECT_EQ(stations.At(1)->Station().Index, 1);
    EXPECT_EQ(core.SettingsStore().ReadListenChannel(), -1);
    EXPECT_FALSE(folder.read("tidewell.ini").contains("[Channel2]"));
    stations.PendingDeleteIndex = 9;
    stations.DeleteStation();
    EXPECT_EQ(stations.Count(), 2);
}

TEST(StationRegistry, AddsTheLowestFreeNumber) {
    TestFolder folder;
    folder.copyShippedLanguages();
    folder.write("tidewell.ini", "[Channel0]\nName=A\n[Channel2]\nName=B\n");
    Answers answers;
    ProgramCore core(ProgramPaths::Resolve(folder.path("tidewell"), QString()), &answers);
    ASSERT_TRUE(core.Create());
    core.Stations().ReadStations();
    StationEngine* added = core.Stations().AddStation();
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->Station().Number, 1);
    EXPECT_EQ(added->Station().Config.Name, "Station 2");
    EXPECT_EQ(core.Stations().AddStation()->Station().Number, 3);
}

TEST(StationRegistry, TilesTwoWindowsOfThreeHundredPerRowOfSevenHundred) {
    const QList<QSize> windows(4, QSize(300, 200));
    EXPECT_EQ(OrderStation(windows, 700), QList<QPoint>({{1, 1}, {302, 1}, {1, 202}, {302, 202}}));
    EXPECT_EQ(OrderStation({QSize(300, 200)}, 200), QList<QPoint>({{1, 1}}));
}

class StationFolderSpelling : public ::testing::TestWithParam<const char*> {};

TEST_P(StationFolderSpelling, IsTheFolderOfTheStationThatHasIt) {
    TestFolder folder;
    folder.copyShippedLanguages();
    folder.write("tidewell.ini", "[Channel2]\nName=Two\nFileDir=Jazz\n");
    Answers answers;
    ProgramCore core(ProgramPaths::Resolve(folder.path("tidewell"), QString()), &answers);
    ASSERT_TRUE(core.Create());
    core.Stations().ReadStations();
    EXPECT_FALSE(core.Stations().CheckDouble("New", GetParam(), 0));
    EXPECT_TRUE(core.Stations().CheckDouble("New", "Jazz2", 0));
}

INSTANTIATE_TEST_SUITE_P(StationRegistry, StationFolderSpelling,
                         ::testing::Values("Jazz", "Jazz/", "./Jazz", "x/../Jazz", "Jazz\\",
                                           ".\\Jazz\\", "/Jazz", "Jazz//."));

TEST(StationRegistry, DeletingAStationErasesEverySectionThatStandsForIt) {
    TestFolder folder;
    folder.copyShippedLanguages();
    folder.write("tidewell.ini", "[Channel07]\nName=Padded\n[Channel7]\nName=Seven\n"
                                 "[channel7]\nName=Again\n[Channel70]\nName=Seventy\n");
    Answers answers;
    {
        ProgramCore core(ProgramPaths::Resolve(folder.path("tidewell"), QString()), &answers);
        ASSERT_TRUE(core.Create());
        core.Stations().ReadStations();
        core.Stations().PendingDeleteIndex = core.Stations().GetStation_Index(7);
        core.Stations().DeleteStation();
    }
    EXPECT_EQ(IniFile(folder.path("tidewell.ini")).load().sections(), QStringList({"Channel70"}));
    ProgramCore again(ProgramPaths::Resolve(folder.path("tidewell"), QString()), &answers);
    ASSERT_TRUE(again.Create());
    again.Stations().ReadStations();
    EXPECT_EQ(again.Stations().GetStation_Index(7), -1);
    EXPECT_EQ(again.Stations().Count(), 1);
}

#include "TestSupport.h"
#include "Version.h"
#include "lang/DialogRequest.h"
#include "shell/ProgramCore.h"
#include "shell/TQVTidewell.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct Program {
    explicit Program(const TestFolder& folder)
        : core(ProgramPaths::Resolve(folder.path("tidewell"), QString()), &presenter) {
        folder.copyShippedLanguages();
    }
    LogDialogPresenter presenter;
    ProgramCore core;
};

} // namespace

TEST(MainWindow, ShowsTheCaptionAndRestoresAndSavesItsBounds) {
    TestFolder folder;
    folder.write("tidewell.ini", "[Settings]\nLeft=50\nTop=60\nWidth=500\nHeight=300\n");
    Program program(folder);
    ASSERT_TRUE(program.core.Create());
    {
        TQVTidewell window(program.core);
        window.show();
        EXPECT_EQ(window.windowTitle(), "Quorvane Tidewell (" TIDEWELL_VERSION ")");
        EXPECT_EQ(window.pos(), QPoint(50, 60));
        EXPECT_EQ(window.size(), QSize(500, 300));
        EXPECT_EQ(window.minimumSize(), QSize(330, 200));
        window.move(70, 80);
        window.resize(420, 260);
        window.close();
    }
    const QByteArray ini = folder.read("tidewell.ini");
    EXPECT_TRUE(ini.contains("Left=70")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("Top=80"));
    EXPECT_TRUE(ini.contains("Width=420"));
    EXPECT_TRUE(ini.contains("Height=260"));
}

TEST(MainWindow, AnOffScreenPositionIsPulledBack) {
    TestFolder folder;
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    folder.write("tidewell.ini", QStringLiteral("[Settings]\nLeft=%1\nTop=-20\nWidth=100\n")
                                     .arg(screen.width() + 100)
                                     .toUtf8());
    Program program(folder);
    ASSERT_TRUE(program.core.Create());
    TQVTidewell window(program.core);
    EXPECT_EQ(window.pos(), QPoint(0, 0));
    EXPECT_EQ(window.width(), screen.width());
}

TEST(MainWindow, SettingsAreLoadedByTheFirstTick) {
    TestFolder folder;
    folder.write("tidewell.ini", "[Settings]\nHTTPPort=9191\n");
    Program program(folder);
    ASSERT_TRUE(program.core.Create());
    TQVTidewell window(program.core);
    EXPECT_EQ(program.core.Settings().HTTPPort, 8070);
    EXPECT_TRUE(QTest::qWaitFor([&] { return program.core.Settings().HTTPPort == 9191; }, 2000));
    EXPECT_EQ(program.core.Settings().Root, folder.path("Record"));
}

#include "TestSupport.h"
#include "Version.h"
#include "gui/TFr_SetStation.h"
#include "gui/TFr_Station.h"
#include "gui/TQVTidewell.h"
#include "lang/DialogRequest.h"
#include "program/ProgramCore.h"
#include "settings/IniFile.h"
#include "station/StationEngine.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>

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

namespace {

// Four stations in a settings file, for the main window's station tests.
void writeStations(const TestFolder& folder, const QByteArray& extra = {}) {
    QByteArray ini = "[Settings]\nLeft=0\nTop=0\nWidth=760\nHeight=500\nHTTPPort=0\n" + extra;
    for (int n = 0; n < 4; ++n)
        ini += QStringLiteral("[Channel%1]\nName=S%1\nFileDir=S%1\nSchedule=%2\nLeft=%3\n")
                   .arg(n)
                   .arg(10 * n)
                   .arg(20 * n)
                   .toUtf8();
    folder.write("tidewell.ini", ini);
}

} // namespace

TEST(MainWindow, StationWindowsStandWhereTheyWereAndMovesAreStored) {
    TestFolder folder;
    writeStations(folder);
    Program program(folder);
    ASSERT_TRUE(program.core.Create());
    TQVTidewell window(program.core);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.core.Stations().Count() == 4; }, 2000));
    StationEngine* second = program.core.Stations().At(1);
    QWidget* sub = window.StationWindow(second)->parentWidget();
    EXPECT_EQ(sub->pos(), QPoint(10, 20));
    EXPECT_EQ(window.StationWindow(second)->windowTitle(), "S1");
    // A station window keeps its size.
    EXPECT_EQ(sub->minimumSize(), sub->maximumSize());

    const QDateTime before = QFileInfo(folder.path("tidewell.ini")).lastModified();
    QTest::qWait(400);
    EXPECT_EQ(QFileInfo(folder.path("tidewell.ini")).lastModified(), before); // nothing moved
    sub->move(123, 45);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QByteArray ini = folder.read("tidewell.ini");
            return ini.contains("Schedule=123") && ini.contains("Left=45");
        },
        2000));
}

TEST(MainWindow, TilingPutsTwoWindowsOfThreeHundredInARowOfSevenHundred) {
    const QList<QPoint> places = OrderStation(QList<QSize>(4, QSize(300, 150)), 700);
    EXPECT_EQ(places, QList<QPoint>({{1, 1}, {302, 1}, {1, 152}, {302, 152}}));
    TestFolder folder;
    writeStations(folder);
    Program program(folder);
    ASSERT_TRUE(program.core.Create());
    TQVTidewell window(program.core);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.core.Stations().Count() == 4; }, 2000));
    window.OrderClick();
    QList<QSize> sizes;
    QList<QPoint> placed;
    for (int i = 0; i < 4; ++i) {
        const QWidget* sub = window.StationWindow(program.core.Stations().At(i))->parentWidget();
        sizes << sub->size();
        placed << sub->pos();
    }
    EXPECT_EQ(placed, OrderStation(sizes, window.Area()->viewport()->width()));
    EXPECT_EQ(placed[0], QPoint(1, 1));
    EXPECT_GT(placed[3].y(), 1); // 760 pixels hold no four station windows in a row
}

TEST(MainWindow, ClosingAsksAndNoKeepsEverythingRunning) {
    TestFolder folder;
    writeStations(folder);
    folder.copyShippedLanguages();
    ScriptedPresenter presenter;
    ProgramCore core(ProgramPaths::Resolve(folder.path("tidewell"), QString()), &presenter);
    ASSERT_TRUE(core.Create());
    TQVTidewell window(core);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return core.Stations().Count() == 4; }, 2000));
    presenter.answers = {DialogButton::No};
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(core.Stations().Count(), 4);
    ASSERT_EQ(presenter.texts.size(), 1);
    EXPECT_TRUE(presenter.texts[0].startsWith("Do you really want to quit Tidewell?"));
    presenter.answers = {DialogButton::Yes};
    EXPECT_TRUE(window.close());
    EXPECT_EQ(core.Stations().Count(), 0);
    // The desktop session ending closes without asking.
    TQVTidewell second(core);
    presenter.texts.clear();
    second.show();
    second.SessionEnding();
    EXPECT_FALSE(second.isVisible());
    EXPECT_TRUE(presenter.texts.isEmpty());
}

// Deleting from the settings dialog: the station goes on the next tick, with its window,
// its section and, when asked, its recordings.
TEST(MainWindow, DeletingAStationWithAndWithoutItsRecordings) {
    TestFolder folder;
    writeStations(folder);
    folder.copyShippedLanguages();
    QDir().mkpath(folder.path("Record/S1"));
    QDir().mkpath(folder.path("Record/S2"));
    folder.write("Record/S1/a.MP3", "frames");
    folder.write("Record/S2/b.MP3", "frames");
    folder.write("tidewell.files",
                 ("[Channel1]\n260101_100000=" + folder.path("Record/S1/a.MP3") +
                  "\n[Channel2]\n260101_100000=" + folder.path("Record/S2/b.MP3") + "\n")
                     .toUtf8());
    IniFile settings(folder.path("tidewell.ini"));
    IniDocument ini = settings.load();
    ini.writeInteger("Channel1", "SaveFiles", 3);
    ini.writeInteger("Channel2", "SaveFiles", 3);
    ASSERT_TRUE(settings.save(ini));
    ScriptedPresenter presenter;
    ProgramCore core(ProgramPaths::Resolve(folder.path("tidewell"), QString()), &presenter);
    ASSERT_TRUE(core.Create());
    TQVTidewell window(core);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return core.Stations().Count() == 4; }, 2000));

    auto deleteFromDialog = [&](int index, QList<DialogButton> answers) {
        presenter.answers = answers;
        QTimer::singleShot(50, [] {
            auto* dialog = qobject_cast<TFr_SetStation*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->SBDelete->click();
        });
        window.EditStation(core.Stations().At(index));
    };
    deleteFromDialog(1, {DialogButton::Yes, DialogButton::Yes}); // S1 and its files
    ASSERT_TRUE(QTest::qWaitFor([&] { return core.Stations().Count() == 3; }, 2000));
    EXPECT_EQ(window.Area()->subWindowList().size(), 3);
    EXPECT_FALSE(QFile::exists(folder.path("Record/S1/a.MP3")));
    EXPECT_FALSE(QDir(folder.path("Record/S1")).exists());
    deleteFromDialog(1, {DialogButton::Yes, DialogButton::No}); // S2, its files kept
    ASSERT_TRUE(QTest::qWaitFor([&] { return core.Stations().Count() == 2; }, 2000));
    EXPECT_TRUE(QFile::exists(folder.path("Record/S2/b.MP3")));
    const IniDocument list = IniFile(folder.path("tidewell.files")).load();
    EXPECT_TRUE(list.sections().isEmpty());
    const IniDocument after = settings.load();
    EXPECT_FALSE(after.sections().contains("Channel1"));
    EXPECT_FALSE(after.sections().contains("Channel2"));
    EXPECT_EQ(core.Stations().At(1)->Station().Config.Name, "S3");
}

// "Add station" takes the lowest free number, centres the new window and opens its
// settings; cancelling them keeps the station.
TEST(MainWindow, AddingAStationCentresItAndOpensItsSettings) {
    TestFolder folder;
    writeStations(folder);
    Program program(folder);
    ASSERT_TRUE(program.core.Create());
    TQVTidewell window(program.core);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.core.Stations().Count() == 4; }, 2000));
    QString caption;
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<TFr_SetStation*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        caption = dialog->EName->text();
        dialog->SBCancel->click();
    });
    window.AddStationClick();
    ASSERT_EQ(program.core.Stations().Count(), 5);
    StationEngine* added = program.core.Stations().At(4);
    EXPECT_EQ(added->Station().Number, 4);
    EXPECT_EQ(caption, "Station 5");
    const QWidget* sub = window.StationWindow(added)->parentWidget();
    const QSize area = window.Area()->viewport()->size();
    EXPECT_EQ(sub->pos(),
              QPoint((area.width() - sub->width()) / 2, (area.height() - sub->height()) / 2));
}

TEST(MainWindow, MailProgressFollowsTheSendingThread) {
    TestFolder folder;
    Program program(folder);
    ASSERT_TRUE(program.core.Create());
    TQVTidewell window(program.core);
    window.show();
    Q_EMIT program.core.Mailer().ShowMailProgress(QString(), "Connect to mail.example.org");
    Q_EMIT program.core.Mailer().ShowMailProgress("Silence", "Jazz");
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.MailWindow() != nullptr; }, 2000));
    QTest::qWait(50);
    TFr_Email* mail = window.MailWindow();
    EXPECT_TRUE(mail->isVisible());
    EXPECT_EQ(mail->LShape->text(), "Jazz");
    EXPECT_EQ(mail->LText->text(), "Silence");
    Q_EMIT program.core.Mailer().ShowMailProgress("Connection refused", QString());
    QTest::qWait(50);
    EXPECT_EQ(mail->LShape->text(), "Jazz"); // an empty heading keeps the last one
    EXPECT_EQ(mail->LText->text(), "Connection refused");
    Q_EMIT program.core.Mailer().CloseMailProgress();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.MailWindow() == nullptr; }, 2000));
}

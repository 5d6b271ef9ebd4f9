#include "settings/AutoStart.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QStringList entries(const TestFolder& folder) {
    return QDir(folder.path("user")).entryList({"*.desktop"}, QDir::Files);
}

QByteArray execLine(const QByteArray& entry) {
    for (const QByteArray& line : entry.split('\n'))
        if (line.startsWith("Exec="))
            return line.mid(5);
    return {};
}

} // namespace

TEST(AutoStart, OneEntryOnAndEveryEntryOfTheProgramOff) {
    TestFolder folder;
    const QString program = folder.path("bin/tidewell");
    const AutoStart autostart(program, {"--minimized"}, folder.path("user"),
                              {folder.path("system")});
    EXPECT_FALSE(autostart.IsAutoStart());
    ASSERT_TRUE(autostart.SetAutoStart(true));
    ASSERT_TRUE(autostart.SetAutoStart(true));
    ASSERT_EQ(entries(folder), QStringList({"tidewell.desktop"}));
    const QByteArray entry = folder.read("user/tidewell.desktop");
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n")) << entry.toStdString();
    EXPECT_EQ(execLine(entry), "\"" + program.toUtf8() + "\" \"--minimized\"");
    EXPECT_TRUE(autostart.IsAutoStart());
    ASSERT_TRUE(autostart.SetAutoStart(false));
    EXPECT_FALSE(autostart.IsAutoStart());
    EXPECT_EQ(entries(folder), QStringList());

    // Entries made by hand, quoted or not, are the program's too; other programs' are not.
    folder.write("user/plain.desktop", ("[Desktop Entry]\nExec=" + program + " -x\n").toUtf8());
    folder.write("user/quoted.desktop", ("[Desktop Entry]\nExec=\"" + program + "\"\n").toUtf8());
    folder.write("user/other.desktop", "[Desktop Entry]\nExec=/usr/bin/other\n");
    folder.write("user/near.desktop", ("[Desktop Entry]\nExec=" + program + "-old\n").toUtf8());
    EXPECT_TRUE(autostart.IsAutoStart());
    ASSERT_TRUE(autostart.SetAutoStart(true));
    EXPECT_EQ(entries(folder).size(), 4); // one of the program's own is enough
    ASSERT_TRUE(autostart.SetAutoStart(false));
    EXPECT_FALSE(autostart.IsAutoStart());
    EXPECT_EQ(entries(folder), QStringList({"near.desktop", "other.desktop"}));
}

TEST(AutoStart, ASystemEntryCountsButIsNotRemoved) {
    TestFolder folder;
    const QString program = folder.path("tidewell");
    folder.write("system/tidewell.desktop", ("[Desktop Entry]\nExec=" + program + "\n").toUtf8());
    const AutoStart autostart(program, {}, folder.path("user"),
                              {folder.path("empty"), folder.path("system")});
    EXPECT_TRUE(autostart.IsAutoStart());
    EXPECT_TRUE(autostart.SetAutoStart(false));
    EXPECT_TRUE(QFile::exists(folder.path("system/tidewell.desktop")));
    const AutoStart stranger(folder.path("elsewhere/tidewell"), {}, folder.path("user"),
                             {folder.path("system")});
    EXPECT_FALSE(stranger.IsAutoStart());
}

TEST(AutoStart, APathWithSpacesRoundTrips) {
    TestFolder folder;
    const QString program = folder.path("my apps/tide well");
    const QStringList arguments = {"--config", "/srv/a b.ini"};
    const AutoStart autostart(program, arguments, folder.path("user"), {});
    ASSERT_TRUE(autostart.SetAutoStart(true));
    ASSERT_EQ(entries(folder), QStringList({"tide well.desktop"}));
    EXPECT_EQ(execLine(folder.read("user/tide well.desktop")),
              "\"" + program.toUtf8() + "\" \"--config\" \"/srv/a b.ini\"");
    // A second instance, as after a restart, recognises the entry.
    const AutoStart again(program, arguments, folder.path("user"), {});
    EXPECT_TRUE(again.IsAutoStart());
    EXPECT_TRUE(again.SetAutoStart(true));
    EXPECT_EQ(entries(folder).size(), 1);
    // The part before the space is another program.
    EXPECT_FALSE(AutoStart(folder.path("my"), {}, folder.path("user"), {}).IsAutoStart());
    ASSERT_TRUE(again.SetAutoStart(false));
    EXPECT_FALSE(autostart.IsAutoStart());
    EXPECT_EQ(entries(folder), QStringList());
}

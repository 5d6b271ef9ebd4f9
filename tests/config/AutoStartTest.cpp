#include "config/AutoStart.h"
#include "TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

QStringList entries(const TestFolder& folder) {
    return QDir(folder.path("user")).entryList({"*.desktop"}, QDir::Files);
}

} // namespace

TEST(AutoStart, OneEntryOnAndEveryEntryOff) {
    TestFolder folder;
    const QString program = folder.path("my apps/tidewell");
    const AutoStart autostart(program, {"--config", "/srv/a b.ini"}, folder.path("user"),
                              {folder.path("system")});
    EXPECT_FALSE(autostart.IsAutoStart());
    ASSERT_TRUE(autostart.SetAutoStart(true));
    ASSERT_TRUE(autostart.SetAutoStart(true));
    ASSERT_EQ(entries(folder), QStringList({"tidewell.desktop"}));
    const QByteArray entry = folder.read("user/tidewell.desktop");
    EXPECT_TRUE(entry.contains(("Exec=\"" + program + "\" \"--config\" \"/srv/a b.ini\"").toUtf8()))
        << entry.toStdString();
    EXPECT_TRUE(autostart.IsAutoStart());

    // Entries made by hand, quoted or not, count too; other programs' are left alone.
    folder.write("user/old.desktop",
                 ("[Desktop Entry]\nExec=" + program.toUtf8().replace(" ", "\\ ") + "\n"));
    folder.write("user/quoted.desktop",
                 ("[Desktop Entry]\nExec=\"" + program + "\" -x\n").toUtf8());
    folder.write("user/other.desktop", "[Desktop Entry]\nExec=/usr/bin/other\n");
    ASSERT_TRUE(autostart.SetAutoStart(false));
    EXPECT_FALSE(autostart.IsAutoStart());
    EXPECT_EQ(entries(folder), QStringList({"old.desktop", "other.desktop"}));
}

TEST(AutoStart, ASystemEntryCountsButIsNotRemoved) {
    TestFolder folder;
    const QString program = folder.path("tidewell");
    folder.write("system/tidewell.desktop", ("[Desktop Entry]\nExec=" + program + "\n").toUtf8());
    const AutoStart autostart(program, {}, folder.path("user"), {folder.path("system")});
    EXPECT_TRUE(autostart.IsAutoStart());
    EXPECT_TRUE(autostart.SetAutoStart(false));
    EXPECT_TRUE(QFile::exists(folder.path("system/tidewell.desktop")));
}

#include "TestSupport.h"
#include "settings/FSettings.h"
#include "settings/IniDocument.h"
#include "settings/PasswordScrambler.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <tuple>

namespace {

// Every stored field away from its default.
TSettings Unusual() {
    TSettings s;
    s.Buffer = 2.7;
    s.Language = "Russian.lng";
    s.DeviceName = "USB Audio";
    s.InTray = s.RemEmpDir = s.MailUseSSL = s.MailAuth = true;
    s.HTTPEnableClear = false;
    s.Available = 512;
    s.Root = "/srv/радио";
    s.FileNames = "RR\\dd-HH";
    s.MailResponser = "ops@example.org";
    s.MailSender = "rec@example.org";
    s.MailSMTP = "smtp.example.org";
    s.MailPort = 465;
    s.MailUser = "rec";
    s.MailPass = "p@ss wörd and more than fifteen";
    s.HTTPPort = 9000;
    s.HTTPUser = "web";
    s.HTTPPass = "секрет";
    s.HTTPRefresh = 30;
    return s;
}

// Every stored field, for comparing whole records.
auto Fields(const TSettings& s) {
    return std::tie(s.Buffer, s.Language, s.DeviceName, s.InTray, s.RemEmpDir, s.Available, s.Root,
                    s.FileNames, s.MailResponser, s.MailSender, s.MailSMTP, s.MailPort,
                    s.MailUseSSL, s.MailAuth, s.MailUser, s.MailPass, s.HTTPPort, s.HTTPEnableClear,
                    s.HTTPUser, s.HTTPPass, s.HTTPRefresh);
}

} // namespace

TEST(Settings, AFreshStartGivesTheDefaults) {
    TestFolder folder;
    const FSettings store(folder.path("tidewell.ini"));
    TSettings s = Unusual();
    s.DeviceIndex = 3;
    store.LoadSettings(s);
    EXPECT_DOUBLE_EQ(s.Buffer, 1.0);
    EXPECT_EQ(s.DeviceIndex, 3); // chosen anew on every start, never stored
    EXPECT_EQ(s.Language, "English.lng");
    EXPECT_EQ(s.Available, 16);
    EXPECT_EQ(s.Root, folder.path("Record"));
    EXPECT_EQ(s.FileNames, "RR\\yyyy\\mmmm\\dd\\HH-MM-SS");
    EXPECT_EQ(std::tuple(s.MailPort, s.HTTPPort, s.HTTPEnableClear, s.HTTPRefresh),
              std::tuple(25, 8070, true, 0));
    EXPECT_FALSE(s.InTray || s.RemEmpDir || s.MailUseSSL || s.MailAuth);
    EXPECT_EQ(s.DeviceName + s.MailResponser + s.MailSender + s.MailSMTP + s.MailUser + s.MailPass +
                  s.HTTPUser + s.HTTPPass,
              "");
    EXPECT_EQ(store.ReadListenChannel(), -1);
    EXPECT_EQ(store.LoadMainWindowPos(QSize(1920, 1080)), QRect(0, 0, 800, 600));
    EXPECT_FALSE(QFile::exists(folder.path("tidewell.ini")));
}

TEST(Settings, EveryFieldSurvivesARoundTrip) {
    TestFolder folder;
    const FSettings store(folder.path("tidewell.ini"));
    const TSettings s = Unusual();
    ASSERT_TRUE(store.SaveSettings(s));
    TSettings back;
    back.DeviceIndex = 5;
    store.LoadSettings(back);
    EXPECT_EQ(Fields(back), Fields(s));
    EXPECT_EQ(back.DeviceIndex, 5);

    // Passwords are stored as lower-case hex of their scrambled UTF-8 bytes.
    const IniDocument raw = IniDocument::parse(folder.read("tidewell.ini"));
    for (const auto& [key, pass] : {std::pair{"MailPass", s.MailPass}, {"HTTPPass", s.HTTPPass}}) {
        const QString stored = raw.readString("Settings", key, "");
        EXPECT_TRUE(QRegularExpression("^[0-9a-f]+$").match(stored).hasMatch()) << key;
        EXPECT_EQ(stored.size(), 2 * pass.toUtf8().size()) << key;
        EXPECT_NE(stored.toLatin1(), pass.toUtf8().toHex()) << key;
    }
    TSettings blank = s;
    blank.HTTPPass.clear();
    ASSERT_TRUE(store.SaveSettings(blank));
    EXPECT_TRUE(folder.read("tidewell.ini").contains("\nHTTPPass=\n"));
    store.LoadSettings(back);
    EXPECT_EQ(back.HTTPPass, "");

    EXPECT_FALSE(FSettings(folder.path("tidewell.ini/nested.ini")).SaveSettings(s));
}

TEST(Settings, ScrambledPasswords) {
    using namespace PasswordScrambler;
    const QString passwords[] = {"secret", "0123456789abcdefghijklmnopqrstuvwxyz",
                                 QString::fromUtf8("Пароль \xF0\x9F\x8E\xB5 länger als 15")};
    for (const QString& password : passwords)
        EXPECT_EQ(Unscramble(Scramble(password)), password);
    const QString stored = Scramble("secret");
    EXPECT_EQ(stored.size(), 12);
    EXPECT_EQ(Scramble(""), "");
    EXPECT_EQ(Unscramble(""), "");
    EXPECT_EQ(Unscramble(stored.toUpper()), "secret");
    // A last unpaired digit is ignored; a non-hex digit counts as 0.
    EXPECT_EQ(Unscramble(stored + "f"), "secret");
    EXPECT_EQ(Unscramble("f"), "");
    const QString damaged = Unscramble("zg" + stored.mid(2));
    EXPECT_EQ(damaged.mid(1), "ecret");
    EXPECT_EQ(damaged, Unscramble("00" + stored.mid(2)));
}

TEST(Settings, WindowBoundsArePulledOntoTheScreen) {
    TestFolder folder;
    const FSettings store(folder.path("tidewell.ini"));
    const QSize screen(1920, 1080);
    auto load = [&](int l, int t, int w, int h) {
        store.SaveMainWindowPos(QRect(l, t, w, h));
        return store.LoadMainWindowPos(screen);
    };
    EXPECT_EQ(load(100, 50, 900, 500), QRect(100, 50, 900, 500));
    EXPECT_EQ(load(-5, -1, 900, 500), QRect(0, 0, 900, 500));
    EXPECT_EQ(load(1910, 1040, 900, 500), QRect(0, 0, 900, 500));
    EXPECT_EQ(load(1909, 1039, 5, 20), QRect(1909, 1039, 11, 41));
    EXPECT_EQ(load(100, 50, 309, 139), QRect(100, 50, 1820, 1030));
    EXPECT_EQ(load(100, 50, 310, 140), QRect(100, 50, 310, 140));
    EXPECT_EQ(load(1000, 600, 920, 480), QRect(1000, 600, 920, 480));
    EXPECT_EQ(load(1000, 600, 921, 481), QRect(1000, 600, 920, 480));
    EXPECT_EQ(load(-50, -50, 1920, 1080), QRect(0, 0, 1920, 1080));
}

TEST(Settings, ListenChannel) {
    TestFolder folder;
    const FSettings store(folder.path("tidewell.ini"));
    EXPECT_TRUE(store.WriteListenChannel(17));
    EXPECT_EQ(store.ReadListenChannel(), 17);
    EXPECT_TRUE(store.WriteListenChannel(-1));
    EXPECT_EQ(store.ReadListenChannel(), -1);
    // Neither the channel nor the window bounds disturb the other settings.
    EXPECT_TRUE(store.SaveSettings(Unusual()));
    EXPECT_TRUE(store.WriteListenChannel(0));
    store.SaveMainWindowPos(QRect(1, 2, 400, 300));
    EXPECT_EQ(store.ReadListenChannel(), 0);
    TSettings s;
    store.LoadSettings(s);
    EXPECT_EQ(Fields(s), Fields(Unusual()));
}

#include "TestSupport.h"
#include "config/FSettings.h"
#include "config/PasswordScrambler.h"

#include <gtest/gtest.h>

TEST(Settings, AFreshStartGivesTheDefaults) {
    TestFolder folder;
    const FSettings store(folder.path("tidewell.ini"));
    TSettings s;
    s.DeviceIndex = 3;
    s.HTTPPort = 1;
    store.LoadSettings(s);
    EXPECT_DOUBLE_EQ(s.Buffer, 1.0);
    EXPECT_EQ(s.DeviceIndex, 3);
    EXPECT_EQ(s.Language, "English.lng");
    EXPECT_EQ(s.DeviceName, "");
    EXPECT_FALSE(s.InTray);
    EXPECT_FALSE(s.RemEmpDir);
    EXPECT_EQ(s.Available, 16);
    EXPECT_EQ(s.Root, folder.path("Record"));
    EXPECT_EQ(s.FileNames, "RR\\yyyy\\mmmm\\dd\\HH-MM-SS");
    EXPECT_EQ(s.MailPort, 25);
    EXPECT_FALSE(s.MailUseSSL);
    EXPECT_FALSE(s.MailAuth);
    EXPECT_EQ(s.MailPass, "");
    EXPECT_EQ(s.HTTPPort, 8070);
    EXPECT_TRUE(s.HTTPEnableClear);
    EXPECT_EQ(s.HTTPRefresh, 0);
    EXPECT_EQ(store.ReadListenChannel(), -1);
    EXPECT_EQ(store.LoadMainWindowPos(QSize(1920, 1080)), QRect(0, 0, 800, 600));
}

TEST(Settings, EveryFieldSurvivesARoundTrip) {
    TestFolder folder;
    const FSettings store(folder.path("tidewell.ini"));
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
    ASSERT_TRUE(store.SaveSettings(s));
    TSettings back;
    store.LoadSettings(back);
    EXPECT_DOUBLE_EQ(back.Buffer, s.Buffer);
    for (const auto& [a, b] : {std::pair{back.Language, s.Language},
                               {back.DeviceName, s.DeviceName},
                               {back.Root, s.Root},
                               {back.FileNames, s.FileNames},
                               {back.MailResponser, s.MailResponser},
                               {back.MailSender, s.MailSender},
                               {back.MailSMTP, s.MailSMTP},
                               {back.MailUser, s.MailUser},
                               {back.MailPass, s.MailPass},
                               {back.HTTPUser, s.HTTPUser},
                               {back.HTTPPass, s.HTTPPass}})
        EXPECT_EQ(a, b);
    EXPECT_TRUE(back.InTray && back.RemEmpDir && back.MailUseSSL && back.MailAuth);
    EXPECT_FALSE(back.HTTPEnableClear);
    EXPECT_EQ(back.Available, 512);
    EXPECT_EQ(back.MailPort, 465);
    EXPECT_EQ(back.HTTPPort, 9000);
    EXPECT_EQ(back.HTTPRefresh, 30);
    // Passwords are never stored as written.
    const QByteArray raw = folder.read("tidewell.ini");
    EXPECT_FALSE(raw.contains("p@ss"));
    EXPECT_TRUE(raw.contains("MailPass=" + PasswordScrambler::Scramble(s.MailPass).toUtf8()));

    const FSettings broken(folder.path("tidewell.ini/nested.ini"));
    EXPECT_FALSE(broken.SaveSettings(s));
}

TEST(Settings, ScrambledPasswords) {
    const QString stored = PasswordScrambler::Scramble("secret");
    EXPECT_EQ(stored.size(), 12);
    EXPECT_EQ(stored, stored.toLower());
    EXPECT_TRUE(QByteArray::fromHex(stored.toLatin1()).toHex() == stored.toLatin1());
    EXPECT_EQ(PasswordScrambler::Unscramble(stored), "secret");
    EXPECT_EQ(PasswordScrambler::Unscramble(stored.toUpper()), "secret");
    EXPECT_EQ(PasswordScrambler::Scramble(""), "");
    EXPECT_EQ(PasswordScrambler::Unscramble(""), "");
    // A last unpaired digit is ignored; a non-hex digit counts as 0.
    EXPECT_EQ(PasswordScrambler::Unscramble(stored + "f"), "secret");
    const QString damaged = "zz" + stored.mid(2);
    EXPECT_EQ(PasswordScrambler::Unscramble(damaged).mid(1), "ecret");
    EXPECT_EQ(PasswordScrambler::Unscramble(damaged).at(0),
              PasswordScrambler::Unscramble("00" + stored.mid(2)).at(0));
    const QString longOne = "0123456789abcdefghijklmnopqrstuvwxyz";
    EXPECT_EQ(PasswordScrambler::Unscramble(PasswordScrambler::Scramble(longOne)), longOne);
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
    EXPECT_EQ(load(1000, 600, 1000, 600), QRect(1000, 600, 920, 480));
}

TEST(Settings, ListenChannel) {
    TestFolder folder;
    const FSettings store(folder.path("tidewell.ini"));
    EXPECT_TRUE(store.WriteListenChannel(17));
    EXPECT_EQ(store.ReadListenChannel(), 17);
    EXPECT_TRUE(store.WriteListenChannel(-1));
    EXPECT_EQ(store.ReadListenChannel(), -1);
}

#include "config/IniFile.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <gtest/gtest.h>

TEST(IniDocument, ProfileSemantics) {
    const IniDocument ini = IniDocument::parse("\xEF\xBB\xBF"
                                               "; comment\r\n"
                                               "[Settings]\r\n"
                                               "  Port = 80 \r\n"
                                               "port=81\r\n"
                                               "junk line\r\n"
                                               "=nokey\r\n"
                                               "[Channel1]\r\n"
                                               "Name=One\r\n"
                                               "[settings]\r\n"
                                               "Port=82\r\n"
                                               "Extra=yes\r\n");
    EXPECT_EQ(ini.sections(), QStringList({"Settings", "Channel1", "settings"}));
    EXPECT_EQ(ini.readString("SETTINGS", "PORT", "none"), "80");
    EXPECT_EQ(ini.readString("Settings", "Extra", "none"), "none");
    EXPECT_EQ(ini.readString("Missing", "Port", "def"), "def");
    EXPECT_EQ(ini.keys("Settings"), QStringList({"Port", "port"}));
    EXPECT_EQ(ini.readInteger("Settings", "Port", 0), 80);
    EXPECT_EQ(ini.readString("Channel1", "name", ""), "One");
}

TEST(IniDocument, TypedValues) {
    const QLocale saved;
    IniDocument ini;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ini.writeFloat("S", "Buffer", 1.5);
    EXPECT_EQ(ini.readString("S", "Buffer", ""), "1,5");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ini.writeFloat("S", "Buffer2", 12345.25);
    EXPECT_EQ(ini.readString("S", "Buffer2", ""), "12345.25");
    QLocale::setDefault(saved);
    EXPECT_DOUBLE_EQ(ini.readFloat("S", "Buffer", 0), 1.5);
    ini.writeString("S", "Dot", "2.5");
    EXPECT_DOUBLE_EQ(ini.readFloat("S", "Dot", 0), 2.5);
    ini.writeString("S", "Bad", "12abc");
    EXPECT_EQ(ini.readInteger("S", "Bad", 7), 7);
    EXPECT_DOUBLE_EQ(ini.readFloat("S", "Bad", 3.0), 3.0);
    ini.writeBool("S", "On", true);
    EXPECT_EQ(ini.readString("S", "On", ""), "1");
    EXPECT_TRUE(ini.readBool("S", "On", false));
    EXPECT_FALSE(ini.readBool("S", "Bad", false));
    ini.writeInteger("S", "Neg", -3);
    EXPECT_EQ(ini.readInteger("S", "Neg", 0), -3);
}

TEST(IniDocument, EditsTouchOnlyTheirLines) {
    const QByteArray original = "; keep me\n[A]\nOne=1\n\n[B]\nUnknown = stays\n\n";
    IniDocument ini = IniDocument::parse(original);
    ini.writeString("a", "ONE", "10");
    ini.writeString("A", "Two", "2");
    ini.writeString("C", "Three", "line\nbreak");
    EXPECT_EQ(ini.serialize(),
              "; keep me\n[A]\nOne=10\nTwo=2\n\n[B]\nUnknown = stays\n\n[C]\nThree=line break\n");
    EXPECT_TRUE(ini.deleteKey("A", "two"));
    EXPECT_FALSE(ini.deleteKey("A", "two"));
    EXPECT_TRUE(ini.eraseSection("b"));
    EXPECT_FALSE(ini.eraseSection("B"));
    EXPECT_EQ(ini.sections(), QStringList({"A", "C"}));
    EXPECT_EQ(ini.readString("C", "Three", ""), "line break");
    // CR LF files stay CR LF.
    IniDocument crlf = IniDocument::parse("[A]\r\nX=1\r\n");
    crlf.writeString("A", "Y", "2");
    EXPECT_EQ(crlf.serialize(), "[A]\r\nX=1\r\nY=2\r\n");
}

TEST(IniFile, MissingFileReadsAsEmptyAndWritesCreateIt) {
    TestFolder folder;
    const IniFile file(folder.path("new.ini"));
    EXPECT_TRUE(file.load().sections().isEmpty());
    EXPECT_TRUE(file.edit([](IniDocument& d) { d.writeInteger("S", "K", 5); }));
    EXPECT_EQ(folder.read("new.ini"), "[S]\nK=5\n");
    EXPECT_TRUE(file.eraseSection("S"));
    EXPECT_EQ(file.readSections(), QStringList());
}

TEST(IniFile, AFailedWriteLeavesTheOldFileWhole) {
    TestFolder folder;
    folder.write("settings.ini", "[S]\nK=1\n");
    // The folder of a path under a plain file cannot hold the temporary file.
    const IniFile impossible(folder.path("settings.ini/inner.ini"));
    EXPECT_FALSE(impossible.edit([](IniDocument& d) { d.writeInteger("S", "K", 2); }));
    // A settings path that cannot be read is never overwritten with a fresh file.
    QDir().mkpath(folder.path("dir.ini"));
    const IniFile unreadable(folder.path("dir.ini"));
    EXPECT_FALSE(unreadable.edit([](IniDocument& d) { d.writeInteger("S", "K", 2); }));
    EXPECT_TRUE(QFileInfo(folder.path("dir.ini")).isDir());
    // No temporary files are left next to the real one.
    const IniFile good(folder.path("settings.ini"));
    EXPECT_TRUE(good.edit([](IniDocument& d) { d.writeInteger("S", "K", 3); }));
    EXPECT_EQ(folder.read("settings.ini"), "[S]\nK=3\n");
    EXPECT_EQ(QDir(folder.path("")).entryList(QDir::Files), QStringList({"settings.ini"}));
}

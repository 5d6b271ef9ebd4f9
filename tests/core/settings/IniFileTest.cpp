#include "settings/IniFile.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <gtest/gtest.h>

#include <csignal>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Puts the default locale back however the test ends.
struct LocaleGuard {
    const QLocale saved;
    ~LocaleGuard() { QLocale::setDefault(saved); }
};

QStringList filesIn(const TestFolder& folder) {
    return QDir(folder.path("")).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

TEST(IniDocument, ProfileSemantics) {
    const IniDocument ini = IniDocument::parse("\xEF\xBB\xBF"
                                               "[Settings]\r\n"
                                               "; comment=no key\r\n"
                                               "  Port = 80 \r\n"
                                               "port=81\r\n"
                                               "junk line\r\n"
                                               "=nokey\r\n"
                                               "[Channel1]\r\n"
                                               "Name=One\r\n"
                                               "[settings]\r\n"
                                               "Port=82\r\n"
                                               "Extra=yes\r\n");
    // The byte-order mark is no part of the first section's name.
    EXPECT_EQ(ini.sections(), QStringList({"Settings", "Channel1", "settings"}));
    EXPECT_EQ(ini.readString("SETTINGS", "PORT", "none"), "80");
    EXPECT_EQ(ini.keys("Settings"), QStringList({"Port", "port"}));
    // Keys of a repeated section are out of reach, as with the Windows profile calls.
    EXPECT_EQ(ini.readString("Settings", "Extra", "none"), "none");
    EXPECT_EQ(ini.readString("Missing", "Port", "def"), "def");
    EXPECT_EQ(ini.readInteger("Settings", "Missing", 9), 9);
    EXPECT_EQ(ini.readInteger("Settings", "Port", 0), 80);
    EXPECT_EQ(ini.readString("Channel1", "name", ""), "One");
    EXPECT_EQ(IniDocument::parse("[A]\nK=lf\n").readString("a", "k", ""), "lf");
}

TEST(IniDocument, TypedValues) {
    const LocaleGuard guard;
    IniDocument ini;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ini.writeFloat("S", "Comma", 1.5);
    ini.writeFloat("S", "Large", 12345.25);
    EXPECT_EQ(ini.readString("S", "Comma", ""), "1,5");
    EXPECT_EQ(ini.readString("S", "Large", ""), "12345,25"); // a group separator would not read
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ini.writeFloat("S", "Dot", 12345.25);
    EXPECT_EQ(ini.readString("S", "Dot", ""), "12345.25");
    // Whatever the locale, either separator reads.
    for (const QLocale& locale : {QLocale(QLocale::English), QLocale(QLocale::German)}) {
        QLocale::setDefault(locale);
        ini.writeString("S", "A", "1,5");
        ini.writeString("S", "B", "1.5");
        EXPECT_DOUBLE_EQ(ini.readFloat("S", "A", 0), 1.5);
        EXPECT_DOUBLE_EQ(ini.readFloat("S", "B", 0), 1.5);
        EXPECT_DOUBLE_EQ(ini.readFloat("S", "Large", 0), 12345.25);
    }
    for (const char* bad : {"12abc", "", "0x10", "99999999999", "1.5"}) {
        ini.writeString("S", "Bad", bad);
        EXPECT_EQ(ini.readInteger("S", "Bad", 7), 7) << bad;
    }
    ini.writeString("S", "Bad", "1.5x");
    EXPECT_DOUBLE_EQ(ini.readFloat("S", "Bad", 3.0), 3.0);
    EXPECT_FALSE(ini.readBool("S", "Bad", false));
    ini.writeBool("S", "On", true);
    EXPECT_TRUE(ini.readBool("S", "On", false));
}

TEST(IniDocument, EditsTouchOnlyTheirLines) {
    IniDocument ini = IniDocument::parse("; keep me\n[A]\nOne = 1\none=dup\n\n"
                                         "[B]\nUnknown = stays\n\n");
    ini.writeString("a", "ONE", "10");
    ini.writeString("A", "Two", "2");
    ini.writeString("C", "Three", "line\r\nbreak");
    EXPECT_EQ(ini.serialize(), "; keep me\n[A]\nOne=10\none=dup\nTwo=2\n\n"
                               "[B]\nUnknown = stays\n\n[C]\nThree=line  break\n");
    EXPECT_EQ(ini.readString("C", "Three", ""), "line  break");
    EXPECT_TRUE(ini.deleteKey("A", "two"));
    EXPECT_FALSE(ini.deleteKey("A", "two"));
    EXPECT_TRUE(ini.eraseSection("b"));
    EXPECT_FALSE(ini.eraseSection("B"));
    EXPECT_EQ(ini.serialize(), "; keep me\n[A]\nOne=10\none=dup\n\n[C]\nThree=line  break\n");
    // CR LF files stay CR LF.
    IniDocument crlf = IniDocument::parse("[A]\r\nX=1\r\n[B]\r\n");
    crlf.writeString("A", "Y", "2");
    crlf.writeString("A", "X", "3");
    EXPECT_EQ(crlf.serialize(), "[A]\r\nX=3\r\nY=2\r\n[B]\r\n");
}

TEST(IniFile, MissingFileReadsAsEmptyAndWritesCreateIt) {
    TestFolder folder;
    const IniFile file(folder.path("new.ini"));
    bool readable = false;
    EXPECT_TRUE(file.load(&readable).sections().isEmpty());
    EXPECT_TRUE(readable);
    EXPECT_TRUE(file.edit([](IniDocument& d) { d.writeInteger("S", "K", 5); }));
    EXPECT_TRUE(file.edit([](IniDocument& d) { d.writeInteger("T", "K", 6); }));
    EXPECT_EQ(folder.read("new.ini"), "[S]\nK=5\n[T]\nK=6\n");
    EXPECT_TRUE(file.eraseSection("s"));
    EXPECT_EQ(file.readSections(), QStringList({"T"}));
}

TEST(IniFile, AFailedWriteLeavesTheOldFileWhole) {
    TestFolder folder;
    const QByteArray old = "; mine\r\n[S]\r\nK=1\r\n";
    folder.write("settings.ini", old);
    const IniFile file(folder.path("settings.ini"));
    IniDocument big = file.load();
    big.writeString("S", "K", QString(200000, u'x'));

    // A file size limit stands in for a full disk; unlike permissions it binds root too.
    rlimit normal{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &normal), 0);
    rlimit small = normal;
    small.rlim_cur = 4096;
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    // Nothing may be reported until the limit is lifted: the test log may be a file too.
    const bool saved = file.save(big);
    const bool edited =
        file.edit([](IniDocument& d) { d.writeString("S", "K", QString(200000, u'y')); });
    setrlimit(RLIMIT_FSIZE, &normal);
    std::signal(SIGXFSZ, handler);
    EXPECT_FALSE(saved);
    EXPECT_FALSE(edited);
    EXPECT_EQ(folder.read("settings.ini"), old);
    EXPECT_EQ(filesIn(folder), QStringList({"settings.ini"}));

    // A file whose folder is a plain file cannot be written at all.
    EXPECT_FALSE(IniFile(folder.path("settings.ini/inner.ini")).save(big));

    // A settings path that cannot be read is never replaced by a fresh file.
    QDir().mkpath(folder.path("dir.ini"));
    EXPECT_FALSE(
        IniFile(folder.path("dir.ini")).edit([](IniDocument& d) { d.writeInteger("S", "K", 2); }));
    EXPECT_TRUE(QFileInfo(folder.path("dir.ini")).isDir());
    EXPECT_TRUE(file.edit([](IniDocument& d) { d.writeInteger("S", "K", 3); }));
    EXPECT_EQ(folder.read("settings.ini"), "; mine\r\n[S]\r\nK=3\r\n");
    EXPECT_EQ(filesIn(folder), QStringList({"settings.ini"}));
}

TEST(IniDocument, FloatsStayReadableInLocalesWithTheirOwnDigits) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    IniDocument ini;
    ini.writeFloat("S", "Buffer", 1.5);
    QLocale::setDefault(saved);
    EXPECT_DOUBLE_EQ(ini.readFloat("S", "Buffer", 0), 1.5);
}

TEST(IniFile, AFileThatCannotBeReadIsNeverReplaced) {
    if (RanAsUnprivilegedUser())
        return;
    TestFolder folder;
    folder.write("settings.ini", "[S]\nK=1\n");
    const IniFile file(folder.path("settings.ini"));
    ASSERT_TRUE(QFile::setPermissions(folder.path("settings.ini"), QFile::WriteOwner));
    EXPECT_FALSE(file.edit([](IniDocument& d) { d.writeInteger("S", "K", 2); }));
    ASSERT_TRUE(
        QFile::setPermissions(folder.path("settings.ini"), QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_EQ(folder.read("settings.ini"), "[S]\nK=1\n");
}

TEST(IniFile, InAFolderThatIsNotWritableTheFileIsRewrittenInPlace) {
    if (RanAsUnprivilegedUser())
        return;
    TestFolder folder;
    ASSERT_TRUE(QDir().mkpath(folder.path("etc")));
    folder.write("etc/settings.ini", "[S]\nK=1\n");
    const QFileDevice::Permissions open = QFile::permissions(folder.path("etc"));
    ASSERT_TRUE(QFile::setPermissions(folder.path("etc"), QFile::ReadOwner | QFile::ExeOwner));
    const bool edited = IniFile(folder.path("etc/settings.ini")).edit([](IniDocument& d) {
        d.writeInteger("S", "K", 2);
    });
    QFile::setPermissions(folder.path("etc"), open);
    EXPECT_TRUE(edited);
    EXPECT_EQ(folder.read("etc/settings.ini"), "[S]\nK=2\n");
}

TEST(IniFile, ARewrittenFileKeepsItsOwnerAndGroup) {
    if (geteuid() != 0)
        GTEST_SKIP() << "only the superuser writes files that belong to others";
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    TestFolder folder;
    folder.write("settings.ini", "[S]\nK=1\n");
    const QByteArray path = QFile::encodeName(folder.path("settings.ini"));
    ASSERT_EQ(chown(path.constData(), nobody->pw_uid, nobody->pw_gid), 0);
    EXPECT_TRUE(IniFile(folder.path("settings.ini")).edit([](IniDocument& d) {
        d.writeInteger("S", "K", 2);
    }));
    struct stat st {};
    ASSERT_EQ(stat(path.constData(), &st), 0);
    EXPECT_EQ(st.st_uid, nobody->pw_uid);
    EXPECT_EQ(st.st_gid, nobody->pw_gid);
    EXPECT_EQ(folder.read("settings.ini"), "[S]\nK=2\n");
}

namespace {
QStringList logged;
void keepMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
    logged << text;
}
} // namespace

TEST(IniFile, AFailedSaveIsLogged) {
    TestFolder folder;
    folder.write("plain", "x");
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepMessage);
    const bool saved = IniFile(folder.path("plain/settings.ini")).save(IniDocument());
    qInstallMessageHandler(previous);
    EXPECT_FALSE(saved);
    ASSERT_EQ(logged.size(), 1);
    EXPECT_TRUE(logged[0].contains(folder.path("plain/settings.ini"))) << logged[0].toStdString();
}

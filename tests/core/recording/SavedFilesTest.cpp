#include "recording/SavedFiles.h"
#include "TestSupport.h"
#include "recording/OpenRecordings.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <climits>

namespace {

QDateTime At(int y, int mo, int d, int h, int mi, int s) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

const QDateTime kNow = At(2024, 6, 15, 12, 0, 0);

bool Exists(const QString& path) {
    return QFileInfo::exists(path);
}

// A recording written at `modified` (now when not given).
void WriteFile(const QString& path, const QDateTime& modified = QDateTime()) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("audio");
    file.flush();
    if (modified.isValid()) {
        ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
    }
}

// Puts a folder's permissions back however the test ends, so that it can be cleaned up.
struct PermissionGuard {
    QString path;
    QFileDevice::Permissions saved = QFile::permissions(path);
    ~PermissionGuard() { QFile::setPermissions(path, saved); }
};

void MakeReadOnlyFolder(const QString& path) {
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
}

class SavedFilesTest : public ::testing::Test {
protected:
    TestFolder folder;
    QString root = folder.path("rec");
    QMap<int, int> days;
    SavedFiles files{folder.path("tidewell.files"), [this](int n) { return days.value(n, -1); },
                     5000};

    // A real recording under the root, entered in the list file as opened at `opened`
    // and last written a minute later.
    QString Listed(const QString& section, const QDateTime& opened, const QString& relPath) {
        const QString path = root + "/" + relPath;
        WriteFile(path, opened.addSecs(60));
        ListRaw(section, SavedFileKey(opened), path);
        return path;
    }
    void ListRaw(const QString& section, const QString& key, const QString& value) {
        EXPECT_TRUE(IniFile(files.ListName()).edit([&](IniDocument& doc) {
            doc.writeString(section, key, value);
        }));
    }
    IniDocument List() {
        files.Wait();
        return IniFile(files.ListName()).load();
    }
    // One main tick; then waits for what it handed to the list's worker.
    void Work(quint64 nowTick, bool remEmpDir = false) {
        files.Work_With_SavedFiles(nowTick, kNow, remEmpDir, root);
        files.Wait();
    }
};

} // namespace

TEST_F(SavedFilesTest, ListFileHoldsOneKeyPerOpeningTimeUnderTheStationSection) {
    files.AddFile(7, root + "/a.mp3", 100000, At(2024, 3, 5, 17, 8, 9));
    files.AddFile(12, root + "/b.mp3", 100000, At(2009, 11, 30, 0, 0, 1));
    ASSERT_EQ(files.Pending().size(), 2);
    EXPECT_FALSE(Exists(files.ListName()));

    files.RecAddFiles();
    const QByteArray expected = "[Channel7]\n240305_170809=" + root.toUtf8() +
                                "/a.mp3\n[Channel12]\n091130_000001=" + root.toUtf8() + "/b.mp3\n";
    EXPECT_EQ(folder.read("tidewell.files"), expected);
    EXPECT_TRUE(files.Pending().isEmpty());
    EXPECT_EQ(files.NextSavedFilesWrite, 0u);
}

TEST_F(SavedFilesTest, RecordingsOpenedInTheSameSecondShareAKey) {
    const QDateTime second = At(2024, 3, 5, 10, 0, 0);
    files.AddFile(1, root + "/first.mp3", 1000, second);
    files.RecAddFiles();
    files.AddFile(1, root + "/second.mp3", 2000, second);
    files.AddFile(1, root + "/third.mp3", 2000, second);
    files.AddFile(2, root + "/other.mp3", 2000, second);
    files.RecAddFiles();

    const IniDocument list = List();
    EXPECT_EQ(list.keys("Channel1"), QStringList({"240305_100000"}));
    EXPECT_EQ(list.readString("Channel1", "240305_100000", ""), root + "/third.mp3");
    EXPECT_EQ(list.readString("Channel2", "240305_100000", ""), root + "/other.mp3");
}

TEST_F(SavedFilesTest, LongPathsAreStoredAndDeletedWhole) {
    days[3] = 1;
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E"); // two UTF-16 units
    const QString deep = root + "/" + clef.repeated(40) + "/" + clef.repeated(40) + "/";
    const QString old = deep + "2024-06-13 10.MP3";
    const QString kept = deep + "2024-06-13 11.MP3";
    WriteFile(old, kNow.addDays(-2));
    WriteFile(kept, kNow.addDays(-2));
    files.AddFile(3, old, 1000, kNow.addDays(-2));
    files.RecAddFiles();
    EXPECT_EQ(List().readString("Channel3", SavedFileKey(kNow.addDays(-2)), ""), old);

    EXPECT_TRUE(files.Clear_Files(200000, kNow, root));
    EXPECT_FALSE(Exists(old));
    EXPECT_TRUE(Exists(kept));
}

TEST_F(SavedFilesTest, AddFileIgnoresOutOfRangeNumbersAndEmptyNames) {
    files.AddFile(-1, root + "/a.mp3", 1000, kNow);
    files.AddFile(256, root + "/a.mp3", 1000, kNow);
    files.AddFile(4, "", 1000, kNow);
    EXPECT_TRUE(files.Pending().isEmpty());
    EXPECT_EQ(files.NextSavedFilesWrite, 0u);
    EXPECT_EQ(files.NextSavedFilesPass, 15000u);

    files.RecAddFiles();
    EXPECT_FALSE(Exists(files.ListName()));

    files.AddFile(0, root + "/zero.mp3", 1000, kNow);
    files.AddFile(255, root + "/top.mp3", 1000, kNow);
    files.RecAddFiles();
    EXPECT_EQ(List().sections(), QStringList({"Channel0", "Channel255"}));
}

TEST_F(SavedFilesTest, EntriesThatCannotBeWrittenWaitForTheNextWrite) {
    SavedFiles unwritable(
        folder.path("later/tidewell.files"), [](int) { return 1; }, 0);
    unwritable.AddFile(1, root + "/a.mp3", 1000, kNow);
    unwritable.RecAddFiles();
    EXPECT_FALSE(Exists(unwritable.ListName()));

    ASSERT_TRUE(QDir().mkpath(folder.path("later")));
    unwritable.AddFile(2, root + "/b.mp3", 2000, kNow);
    unwritable.RecAddFiles();
    EXPECT_TRUE(unwritable.Pending().isEmpty());
    EXPECT_EQ(IniFile(unwritable.ListName()).load().sections(),
              QStringList({"Channel1", "Channel2"}));
}

TEST_F(SavedFilesTest, ClearFilesDeletesAgedFilesAndTheFoldersTheyEmptied) {
    days[1] = 2;
    const QString old = Listed("Channel1", kNow.addDays(-5), "s1/june/old.mp3");
    const QString young = Listed("Channel1", kNow.addDays(-1), "s1/june/young.mp3");
    const QString alone = Listed("Channel1", kNow.addDays(-3), "s1/may/alone.mp3");
    folder.write("rec/s1/may/thumbs.db", "cache");

    EXPECT_TRUE(files.Clear_Files(200000, kNow, root));
    EXPECT_EQ(files.NextSavedFilesPass, 260000u);
    EXPECT_FALSE(Exists(old));
    EXPECT_FALSE(Exists(alone));
    EXPECT_FALSE(Exists(root + "/s1/may"));
    EXPECT_TRUE(Exists(young));
    EXPECT_EQ(List().keys("Channel1"), QStringList({SavedFileKey(kNow.addDays(-1))}));

    // Nothing left to do: no change, and the file is kept as it is.
    const QByteArray before = folder.read("tidewell.files");
    EXPECT_FALSE(files.Clear_Files(260000, kNow, root));
    EXPECT_EQ(folder.read("tidewell.files"), before);
}

TEST_F(SavedFilesTest, FolderRemovalStopsAtTheRoot) {
    days[1] = 1;
    root = folder.path("above/rec");
    const QString deep = Listed("Channel1", kNow.addDays(-2), "a/b/old.mp3");
    const QString outside = folder.path("outside/x/old.mp3");
    WriteFile(outside, kNow.addDays(-3));
    ListRaw("Channel1", SavedFileKey(kNow.addDays(-3)), outside);

    EXPECT_TRUE(files.Clear_Files(200000, kNow, root));
    EXPECT_FALSE(Exists(deep));
    EXPECT_FALSE(Exists(root)); // emptied, so the root goes too
    EXPECT_TRUE(Exists(folder.path("above")));
    // The listed file outside the root is deleted, its folders are not touched.
    EXPECT_FALSE(Exists(outside));
    EXPECT_TRUE(Exists(folder.path("outside/x")));
    EXPECT_TRUE(List().keys("Channel1").isEmpty());
}

TEST_F(SavedFilesTest, RootStaysWhileItHoldsOtherRecordings) {
    days[1] = 1;
    Listed("Channel1", kNow.addDays(-2), "a/old.mp3");
    folder.write("rec/keep.mp3", "audio");

    EXPECT_TRUE(files.Clear_Files(200000, kNow, root));
    EXPECT_FALSE(Exists(root + "/a"));
    EXPECT_TRUE(Exists(root + "/keep.mp3"));
}

TEST_F(SavedFilesTest, FileInReadOnlyFolderStaysListedUntilItCanBeDeleted) {
    if (RanAsUnprivilegedUser())
        return;
    days[1] = 1;
    const QString path = Listed("Channel1", kNow.addDays(-2), "locked/old.mp3");
    const PermissionGuard guard{root + "/locked"};
    MakeReadOnlyFolder(root + "/locked");

    EXPECT_FALSE(files.Clear_Files(200000, kNow, root));
    EXPECT_TRUE(Exists(path));
    EXPECT_EQ(List().keys("Channel1").size(), 1);

    ASSERT_TRUE(QFile::setPermissions(root + "/locked", guard.saved));
    EXPECT_TRUE(files.Clear_Files(260000, kNow, root));
    EXPECT_FALSE(Exists(path));
    EXPECT_FALSE(Exists(root + "/locked"));
    EXPECT_TRUE(List().keys("Channel1").isEmpty());
}

TEST_F(SavedFilesTest, PathThatCannotBeRemovedIsRetriedOnTheNextPass) {
    days[1] = 1;
    // A folder with content where the recording was: no file removal can take it away.
    const QString path = root + "/blocked/old.mp3";
    folder.write("rec/blocked/old.mp3/inner.bin", "x");
    ListRaw("Channel1", SavedFileKey(kNow.addDays(-2)), path);

    EXPECT_FALSE(files.Clear_Files(200000, kNow, root));
    EXPECT_TRUE(Exists(path));
    EXPECT_EQ(List().keys("Channel1").size(), 1);

    ASSERT_TRUE(QDir(path).removeRecursively());
    WriteFile(path, kNow.addDays(-2));
    EXPECT_TRUE(files.Clear_Files(260000, kNow, root));
    EXPECT_FALSE(Exists(path));
    EXPECT_TRUE(List().keys("Channel1").isEmpty());
}

TEST_F(SavedFilesTest, EntriesWithoutAFileGoOnceAged) {
    days[1] = 1;
    ListRaw("Channel1", SavedFileKey(kNow.addDays(-2)), root + "/gone.mp3");
    ListRaw("Channel1", SavedFileKey(kNow.addDays(-3)), "");
    ListRaw("Channel1", SavedFileKey(kNow.addSecs(-60)), root + "/gone-too.mp3");

    EXPECT_TRUE(files.Clear_Files(200000, kNow, root));
    EXPECT_EQ(List().keys("Channel1"), QStringList({SavedFileKey(kNow.addSecs(-60))}));
}

TEST_F(SavedFilesTest, AgeCountsFromTheOpeningTime) {
    days[1] = 1;
    const QString path = Listed("Channel1", At(2024, 1, 10, 10, 0, 0), "s/rec.mp3");

    EXPECT_FALSE(files.Clear_Files(200000, At(2024, 1, 11, 9, 59, 0), root));
    EXPECT_TRUE(Exists(path));
    EXPECT_TRUE(files.Clear_Files(260000, At(2024, 1, 11, 10, 0, 1), root));
    EXPECT_FALSE(Exists(path));
}

TEST_F(SavedFilesTest, StationsWithoutRetentionOrGoneAreLeftAlone) {
    days[2] = 0;
    days[3] = -5;
    const QString kept = Listed("Channel2", kNow.addDays(-400), "two/a.mp3");
    const QString negative = Listed("Channel3", kNow.addDays(-400), "three/a.mp3");
    const QString orphan = Listed("Channel9", kNow.addDays(-400), "nine/a.mp3");
    const QByteArray before = folder.read("tidewell.files");

    EXPECT_FALSE(files.Clear_Files(200000, kNow, root));
    EXPECT_TRUE(Exists(kept));
    EXPECT_TRUE(Exists(negative));
    EXPECT_TRUE(Exists(orphan));
    EXPECT_EQ(folder.read("tidewell.files"), before);
}

TEST_F(SavedFilesTest, SectionNamesAreMatchedByPrefixAndNumber) {
    for (int n = 0; n <= 300; ++n)
        days[n] = 1;
    const QDateTime old = kNow.addDays(-10);
    const QString lower = Listed("channel7", old, "lower.mp3");
    const QString padded = Listed("CHANNEL 008", old, "padded.mp3");
    const QString high = Listed("Channel256", old, "high.mp3");
    const QString letters = Listed("Channelx", old, "letters.mp3");
    const QString negative = Listed("Channel-1", old, "negative.mp3");
    const QString other = Listed("Settings", old, "settings.mp3");

    EXPECT_TRUE(files.Clear_Files(200000, kNow, root));
    EXPECT_FALSE(Exists(lower));
    EXPECT_FALSE(Exists(padded));
    EXPECT_TRUE(Exists(high));
    EXPECT_TRUE(Exists(letters));
    EXPECT_TRUE(Exists(negative));
    EXPECT_TRUE(Exists(other));
    EXPECT_EQ(List().sections(), QStringList({"channel7", "CHANNEL 008", "Channel256", "Channelx",
                                              "Channel-1", "Settings"}));
}

TEST_F(SavedFilesTest, MalformedKeysAreLeftInTheList) {
    days[1] = 1;
    const QStringList bad = {"240230_100000",  "240001_100000", "240100_100000", "241301_100000",
                             "240101_240000",  "240101_106000", "240101_100060", "24010_100000",
                             "2401011_100000", "24a101_100000", "Name"};
    for (int i = 0; i < bad.size(); ++i) {
        WriteFile(root + QStringLiteral("/bad%1.mp3").arg(i), kNow.addYears(-2));
        ListRaw("Channel1", bad[i], root + QStringLiteral("/bad%1.mp3").arg(i));
    }

    EXPECT_FALSE(files.Clear_Files(200000, kNow, root));
    EXPECT_EQ(List().keys("Channel1"), bad);
    for (int i = 0; i < bad.size(); ++i)
        EXPECT_TRUE(Exists(root + QStringLiteral("/bad%1.mp3").arg(i))) << bad[i].toStdString();
}

TEST(FullTime, ReadsTheOpeningTime) {
    QDateTime time;
    ASSERT_TRUE(FullTime("240229_235959", &time));
    EXPECT_EQ(time, At(2024, 2, 29, 23, 59, 59));
    EXPECT_EQ(time.timeSpec(), Qt::LocalTime);
    ASSERT_TRUE(FullTime("000101_000000", &time));
    EXPECT_EQ(time, At(2000, 1, 1, 0, 0, 0));
    // The separator is not looked at.
    ASSERT_TRUE(FullTime("991231-120000", &time));
    EXPECT_EQ(time, At(2099, 12, 31, 12, 0, 0));
    EXPECT_EQ(SavedFileKey(At(2099, 12, 31, 12, 0, 0)), "991231_120000");
}

TEST(FullTime, RejectsWhatIsNoOpeningTime) {
    const QDateTime untouched = At(2001, 1, 1, 1, 1, 1);
    for (const char* key : {"230229_100000", "240230_100000", "240001_100000", "240100_100000",
                            "241301_100000", "240132_100000", "240101_240000", "240101_236000",
                            "240101_235960", "24010_100000", "240101_1000000", "", "24O101_100000",
                            "240101_1000 0", "+40101_100000", "-40101_100000"}) {
        QDateTime time = untouched;
        EXPECT_FALSE(FullTime(QString::fromLatin1(key), &time)) << key;
        EXPECT_EQ(time, untouched) << key;
    }
    // Digits of other scripts are no digits of a key.
    QDateTime time;
    EXPECT_FALSE(FullTime(QString::fromUtf8("\xD9\xA2"
                                            "40101_100000"),
                          &time));
}

TEST(TryDeleteFile, RemovesFilesAndCountsMissingOnesAsDeleted) {
    TestFolder folder;
    EXPECT_TRUE(TryDeleteFile(folder.path("never-there.mp3")));

    folder.write("readonly.mp3", "audio");
    ASSERT_TRUE(QFile::setPermissions(folder.path("readonly.mp3"), QFileDevice::ReadOwner));
    EXPECT_TRUE(TryDeleteFile(folder.path("readonly.mp3")));
    EXPECT_FALSE(Exists(folder.path("readonly.mp3")));

    // A link goes, what it points to stays.
    folder.write("target.mp3", "audio");
    ASSERT_TRUE(QFile::link(folder.path("target.mp3"), folder.path("link.mp3")));
    EXPECT_TRUE(TryDeleteFile(folder.path("link.mp3")));
    EXPECT_FALSE(QFileInfo(folder.path("link.mp3")).isSymLink());
    EXPECT_TRUE(Exists(folder.path("target.mp3")));
}

TEST(TryRemoveDir, ClimbsOnlyThroughEmptyFoldersInsideTheRoot) {
    TestFolder folder;
    const QString root = folder.path("rec");
    ASSERT_TRUE(QDir().mkpath(root + "/a/b/c"));
    folder.write("rec/a/b/c/Thumbs.db", "cache");
    folder.write("rec/a/keep.mp3", "audio");

    TryRemoveDir(root + "/a/b/c/", root);
    EXPECT_FALSE(Exists(root + "/a/b"));
    EXPECT_TRUE(Exists(root + "/a/keep.mp3"));

    // A folder outside the root, or reached through "..", is not touched.
    ASSERT_TRUE(QDir().mkpath(folder.path("outside/empty")));
    TryRemoveDir(folder.path("outside/empty/"), root);
    TryRemoveDir(root + "/../outside/empty/", root);
    EXPECT_TRUE(Exists(folder.path("outside/empty")));
    // A sibling that merely starts with the root's name is outside it too.
    ASSERT_TRUE(QDir().mkpath(folder.path("rec2/empty")));
    TryRemoveDir(folder.path("rec2/empty/"), root);
    EXPECT_TRUE(Exists(folder.path("rec2/empty")));
    // Without a root nothing is removed.
    TryRemoveDir(folder.path("outside/empty/"), "");
    EXPECT_TRUE(Exists(folder.path("outside/empty")));
}

TEST(RemoveEmpryDirExec, RemovesFoldersHoldingOnlyEmptyFoldersAndThumbnailCaches) {
    TestFolder folder;
    const QString root = folder.path("rec");
    ASSERT_TRUE(QDir().mkpath(root + "/a/b/c"));
    ASSERT_TRUE(QDir().mkpath(root + "/.hidden-empty"));
    folder.write("rec/a/Thumbs.db", "cache");
    folder.write("rec/d/THUMBS.DB", "cache");
    folder.write("rec/thumbs.db", "cache");

    EXPECT_TRUE(RemoveEmpryDir_Exec(root + "/"));
    EXPECT_FALSE(Exists(root));
    EXPECT_TRUE(Exists(folder.path("")));
}

TEST(RemoveEmpryDirExec, KeepsEveryBranchThatHoldsAFile) {
    TestFolder folder;
    const QString root = folder.path("rec");
    // The kept branches sort first, so the empty ones after them must still be reached.
    folder.write("rec/a-keep/show.mp3", "audio");
    folder.write("rec/a-keep/Thumbs.db", "cache");
    folder.write("rec/b-hidden/.note", "x");
    ASSERT_TRUE(QDir().mkpath(root + "/y-empty/deeper"));
    folder.write("rec/z-cache/THUMBS.DB", "cache");

    EXPECT_FALSE(RemoveEmpryDir_Exec(root + "/"));
    EXPECT_TRUE(Exists(root + "/a-keep/show.mp3"));
    EXPECT_TRUE(Exists(root + "/a-keep/Thumbs.db"));
    EXPECT_TRUE(Exists(root + "/b-hidden/.note"));
    EXPECT_FALSE(Exists(root + "/y-empty"));
    EXPECT_FALSE(Exists(root + "/z-cache"));
}

TEST(RemoveEmpryDirExec, DoesNotFollowLinksIntoOtherTrees) {
    TestFolder folder;
    const QString root = folder.path("rec");
    ASSERT_TRUE(QDir().mkpath(folder.path("elsewhere/empty")));
    ASSERT_TRUE(QDir().mkpath(root + "/only-link"));
    ASSERT_TRUE(QFile::link(folder.path("elsewhere"), root + "/only-link/to-elsewhere"));
    // A link is no thumbnail cache, whatever its name.
    folder.write("elsewhere/real.db", "x");
    ASSERT_TRUE(QDir().mkpath(root + "/linked-cache"));
    ASSERT_TRUE(QFile::link(folder.path("elsewhere/real.db"), root + "/linked-cache/Thumbs.db"));

    EXPECT_FALSE(RemoveEmpryDir_Exec(root + "/"));
    EXPECT_TRUE(QFileInfo(root + "/only-link/to-elsewhere").isSymLink());
    EXPECT_TRUE(Exists(folder.path("elsewhere/empty")));
    EXPECT_TRUE(QFileInfo(root + "/linked-cache/Thumbs.db").isSymLink());
    EXPECT_TRUE(Exists(folder.path("elsewhere/real.db")));
}

TEST_F(SavedFilesTest, EraseFilesDeletesTheStationsRecordingsAndSection) {
    days[3] = 1;
    const QString a = Listed("Channel3", kNow.addDays(-1), "s3/a.mp3");
    const QString b = Listed("Channel3", kNow, "s3/sub/b.mp3");
    const QString four = Listed("Channel4", kNow, "s4/four.mp3");
    folder.write("rec/s3/notes.txt", "x");
    ListRaw("Channel3", "Name", root + "/s3/notes.txt");
    files.AddFile(3, root + "/s3/pending.mp3", 1000, kNow.addSecs(5));
    folder.write("rec/s3/pending.mp3", "audio");
    files.AddFile(4, root + "/s4/pending.mp3", 1000, kNow.addSecs(5));
    // Every section that stands for the station goes, and the files listed under it.
    const QString padded = Listed("Channel03", kNow, "s3/padded.mp3");
    const QString spaced = Listed("channel 3", kNow, "s3/spaced.mp3");
    ListRaw("Channel30", SavedFileKey(kNow), root + "/s30.mp3");

    files.EraseFiles(3, true, root);
    EXPECT_FALSE(Exists(a));
    EXPECT_FALSE(Exists(b));
    EXPECT_FALSE(Exists(root + "/s3/pending.mp3"));
    EXPECT_FALSE(Exists(root + "/s3/sub"));
    // Only keys that are opening times name recordings.
    EXPECT_TRUE(Exists(root + "/s3/notes.txt"));
    EXPECT_TRUE(Exists(four));
    EXPECT_FALSE(Exists(padded));
    EXPECT_FALSE(Exists(spaced));

    const IniDocument list = List();
    EXPECT_EQ(list.sections(), QStringList({"Channel4", "Channel30"}));
    EXPECT_EQ(list.keys("Channel4").size(), 2);
    EXPECT_TRUE(files.Pending().isEmpty());
}

TEST_F(SavedFilesTest, EraseFilesCanKeepTheRecordings) {
    const QString a = Listed("Channel3", kNow.addDays(-1), "s3/a.mp3");
    files.AddFile(3, root + "/s3/pending.mp3", 1000, kNow);

    files.EraseFiles(3, false, root);
    EXPECT_TRUE(Exists(a));
    EXPECT_TRUE(List().sections().isEmpty());
    EXPECT_TRUE(files.Pending().isEmpty());
}

TEST_F(SavedFilesTest, WorkWritesTheListOneSecondAfterTheLastAdd) {
    files.AddFile(1, root + "/a.mp3", 100000, kNow);
    files.AddFile(1, root + "/b.mp3", 100500, kNow.addSecs(1));
    EXPECT_EQ(files.NextSavedFilesWrite, 101500u);

    Work(101499);
    EXPECT_FALSE(Exists(files.ListName()));
    Work(101500);
    EXPECT_EQ(List().keys("Channel1").size(), 2);
    EXPECT_EQ(files.NextSavedFilesWrite, 0u);
}

TEST_F(SavedFilesTest, WorkPassesTenSecondsAfterStartThenEveryMinute) {
    days[1] = 1;
    const QString first = Listed("Channel1", kNow.addDays(-2), "a/first.mp3");
    Work(15000);
    EXPECT_TRUE(Exists(first));
    Work(15001);
    EXPECT_FALSE(Exists(first));

    const QString second = Listed("Channel1", kNow.addDays(-3), "a/second.mp3");
    Work(75001);
    EXPECT_TRUE(Exists(second));
    Work(75002);
    EXPECT_FALSE(Exists(second));

    // A new recording brings the next pass forward to two seconds after it.
    const QString third = Listed("Channel1", kNow.addDays(-4), "a/third.mp3");
    files.AddFile(1, root + "/new.mp3", 80000, kNow);
    Work(82000);
    EXPECT_TRUE(List().hasKey("Channel1", SavedFileKey(kNow)));
    EXPECT_TRUE(Exists(third));
    Work(82001);
    EXPECT_FALSE(Exists(third));
}

TEST_F(SavedFilesTest, WorkSweepsEmptyFoldersOnlyWhenAsked) {
    ASSERT_TRUE(QDir().mkpath(root + "/left/over"));
    folder.write("rec/show/keep.mp3", "audio");

    Work(15001);
    EXPECT_TRUE(Exists(root + "/left/over"));
    Work(75002, true);
    EXPECT_FALSE(Exists(root + "/left"));
    EXPECT_TRUE(Exists(root + "/show/keep.mp3"));
}

TEST_F(SavedFilesTest, AFileRecordedAgainAtTheSamePathIsNotDeletedForItsOldEntry) {
    days[1] = 8;
    // A weekly rolling name: last week's entry and yesterday's both name the same file.
    const QString rolling = Listed("Channel1", kNow.addDays(-9), "Monday/10.MP3");
    ListRaw("Channel1", SavedFileKey(kNow.addDays(-2)), rolling);
    WriteFile(rolling, kNow.addDays(-2).addSecs(3600));
    // A file written long after its only entry holds another recording.
    const QString rewritten = root + "/Tuesday/10.MP3";
    ListRaw("Channel1", SavedFileKey(kNow.addDays(-9)), rewritten);
    WriteFile(rewritten, kNow.addSecs(-3600));

    EXPECT_TRUE(files.Clear_Files(200000, kNow, root));
    EXPECT_TRUE(Exists(rolling));
    EXPECT_TRUE(Exists(rewritten));
    EXPECT_EQ(List().keys("Channel1"), QStringList({SavedFileKey(kNow.addDays(-2))}));
}

class SavedFilesDaysTest : public SavedFilesTest, public ::testing::WithParamInterface<int> {};

TEST_P(SavedFilesDaysTest, DaysBeyondTheCalendarMeanNever) {
    days[1] = GetParam();
    const QString path = Listed("Channel1", kNow.addYears(-20), "old.mp3");

    EXPECT_FALSE(files.Clear_Files(200000, kNow, root));
    EXPECT_TRUE(Exists(path));
    EXPECT_EQ(List().keys("Channel1").size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Huge, SavedFilesDaysTest, ::testing::Values(INT_MAX, 1000000, 36500));

TEST_F(SavedFilesTest, AFileBeingRecordedIsNeverDeleted) {
    days[1] = 1;
    const QString path = Listed("Channel1", kNow.addDays(-2), "a/old.mp3");
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    OpenRecordings::Add(fd);

    EXPECT_FALSE(files.Clear_Files(200000, kNow, root));
    files.EraseFiles(1, true, root + "/a/.."); // a root spelled another way
    EXPECT_TRUE(Exists(path));

    OpenRecordings::Remove(fd);
    ::close(fd);
    ListRaw("Channel1", SavedFileKey(kNow.addDays(-2)), path);
    EXPECT_TRUE(files.Clear_Files(260000, kNow, root));
    EXPECT_FALSE(Exists(path));
}

TEST(RemoveEmpryDirExec, StaysOnTheFileSystemOfItsFolder) {
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a file system below the root needs the superuser";
    TestFolder folder;
    const QString mounted = folder.path("rec/mnt");
    ASSERT_TRUE(QDir().mkpath(mounted));
    ASSERT_EQ(::mount("tmpfs", QFile::encodeName(mounted).constData(), "tmpfs", 0, "size=1m"), 0);
    struct Unmount {
        QByteArray path;
        ~Unmount() { ::umount(path.constData()); }
    } unmount{QFile::encodeName(mounted)};
    ASSERT_TRUE(QDir().mkpath(mounted + "/empty-inside"));
    ASSERT_TRUE(QDir().mkpath(folder.path("rec/empty")));

    EXPECT_FALSE(RemoveEmpryDir_Exec(folder.path("rec/")));
    EXPECT_TRUE(Exists(mounted + "/empty-inside"));
    EXPECT_FALSE(Exists(folder.path("rec/empty")));
}

TEST_F(SavedFilesTest, NoSweepOfTheTopFolderOrTheHomeFolder) {
    const QByteArray savedHome = qgetenv("HOME");
    ASSERT_TRUE(qputenv("HOME", root.toUtf8()));
    ASSERT_TRUE(QDir().mkpath(root + "/Desktop/empty"));
    Work(15001, true);
    qputenv("HOME", savedHome);
    EXPECT_TRUE(Exists(root + "/Desktop/empty"));

    for (const char* top : {"/", "//", "/tmp/..", "/./"})
        EXPECT_FALSE(SweepRefusal(top).isEmpty()) << top;
    EXPECT_TRUE(SweepRefusal(root).isEmpty());
}

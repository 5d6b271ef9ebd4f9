#include "recording/RecordingFile.h"
#include "TestSupport.h"
#include "recording/OpenRecordings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

TEST(RecordingFile, FoldersAreMadeAndAnOldFileReplaced) {
    TestFolder folder;
    const QString name = folder.path("Rec/Jazz/2026/December/07/08-05-09.MP3");
    QString failed;
    EXPECT_EQ(CreateFileName(name, &failed), FILE_CREATED);
    EXPECT_TRUE(QFile::exists(name));
    folder.write("Rec/Jazz/2026/December/07/08-05-09.MP3", "old audio");
    QFile::setPermissions(name, QFileDevice::ReadOwner);
    EXPECT_EQ(CreateFileName(name, &failed), FILE_CREATED);
    EXPECT_EQ(QFileInfo(name).size(), 0);
    // A plain file where a folder must go.
    folder.write("Blocked", "x");
    EXPECT_EQ(CreateFileName(folder.path("Blocked/sub/a.MP3"), &failed), FILE_FOLDER_FAILED);
    EXPECT_EQ(failed, folder.path("Blocked/"));
    // A folder where the file must go can be neither deleted nor created.
    QDir().mkpath(folder.path("Rec/dir.MP3/inner"));
    EXPECT_EQ(CreateFileName(folder.path("Rec/dir.MP3"), &failed), FILE_DELETE_FAILED);
}

TEST(RecordingFile, TheTagLayout) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const QDateTime start(QDate(2019, 12, 7), QTime(8, 0, 1));
    const QDateTime end(QDate(2019, 12, 7), QTime(8, 59, 59));
    const QByteArray tag =
        WriteTag(start, end, QStringLiteral("Радио Джаз — очень длинное название станции"));
    QLocale::setDefault(saved);
    ASSERT_EQ(tag.size(), 128);
    EXPECT_EQ(tag.left(3), "TAG");
    EXPECT_EQ(tag.mid(3, 30), QByteArray("08:00:01-08:59:59").leftJustified(30, '\0'));
    EXPECT_EQ(tag.mid(33, 5), "\xD0\xE0\xE4\xE8\xEE"); // windows-1251
    EXPECT_NE(tag.at(62), '\0');                       // the long name fills its field
    EXPECT_EQ(tag.mid(63, 30), QByteArray("2019.12.07").leftJustified(30, '\0'));
    EXPECT_EQ(tag.mid(93, 4), "2019"); // the year the file was closed in
    EXPECT_EQ(tag.mid(97, 28), QByteArray("QV Tidewell").leftJustified(28, '\0'));
    EXPECT_EQ(tag.at(125), '\0');
    EXPECT_EQ(tag.at(126), char(9));
    EXPECT_EQ(quint8(tag.at(127)), 255);
}

TEST(RecordingFile, AFileOpenForRecordingIsNeverReplaced) {
    TestFolder folder;
    folder.write("Rec/Jazz/08.MP3", "audio");
    const QString name = folder.path("Rec/Jazz/08.MP3");
    const int fd = ::open(QFile::encodeName(name).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    OpenRecordings::Add(fd);
    QString failed;
    for (const QString& alias :
         {name, folder.path("Rec/x/../Jazz//08.MP3"), folder.path("Rec/./Jazz/08.MP3")}) {
        QDir().mkpath(folder.path("Rec/x"));
        EXPECT_EQ(CreateFileName(alias, &failed), FILE_DELETE_FAILED) << alias.toStdString();
    }
    EXPECT_EQ(folder.read("Rec/Jazz/08.MP3"), "audio");
    OpenRecordings::Remove(fd);
    ::close(fd);
    EXPECT_EQ(CreateFileName(name, &failed), FILE_CREATED);
    EXPECT_EQ(QFileInfo(name).size(), 0);
}

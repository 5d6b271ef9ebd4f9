#include "ChildProcess.h"
#include "StreamServer.h"
#include "TestSupport.h"
#include "recording/FileNames.h"
#include "settings/IniFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const char* const kLame = "MPEG Layer-3 Encoder (LAME)";

// Under a sanitizer the daemon runs many times slower and tells of its state late, so
// the wall clock is a looser measure of what it recorded.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr double kDurationTolerance = 5.0;
#else
constexpr double kDurationTolerance = 1.0;
#endif

QString readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QByteArray tagOf(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll().right(128) : QByteArray();
}

// The opening time a tag records: its date field and the start of its time field.
QDateTime tagStart(const QByteArray& tag) {
    const QDate date = QDate::fromString(QString::fromLatin1(tag.mid(63, 10)), "yyyy.MM.dd");
    const QTime time = QTime::fromString(QString::fromLatin1(tag.mid(3, 8)), "HH:mm:ss");
    return QDateTime(date, time);
}

} // namespace

// A real headless run: a Mode 2 station records the local stream (44100 Hz stereo) at
// 22050 Hz mono, 64 kbit/s, for about a minute.
TEST(DaemonRecording, RecordsAStationIntoTaggedMp3Files) {
    TestFolder folder;
    folder.copyShippedLanguages();
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(TIDEWELL_BIN_DIR "/tidewelld"), folder.path("tidewelld")));
    StreamServer server;
    ASSERT_TRUE(server.start({"--name", "Archive FM"}));
    const QByteArray ini = "[Settings]\nHTTPPort=0\n[Channel0]\nName=Jazz\nFileDir=Jazz\nURL=" +
                           server.url("/stream.mp3").toUtf8() + "\nMode=2\nDriver=" + kLame +
                           "\nCodec=67\nBitrate=22050\nChannels=1\nSaveFiles=3\n";
    folder.write("radio.ini", ini);

    ChildProcess daemon;
    ASSERT_TRUE(StartDaemonIn(daemon, QDir(folder.path(""))));
    const QString log = folder.path("daemon.log");
    ASSERT_TRUE(QTest::qWaitFor([&] { return readText(log).contains("Jazz: Recording"); }, 30000))
        << readText(log).toStdString();
    QElapsedTimer recording;
    recording.start();
    QTest::qWait(55000);
    daemon.stop(10000);
    const double seconds = recording.elapsed() / 1000.0;
    EXPECT_TRUE(readText(log).contains("Shut down"));

    // Normally one file; two when the run crossed a clock hour.
    const QString root = folder.path("Record");
    const QStringList files = RecordedFiles(root);
    ASSERT_GE(files.size(), 1);
    ASSERT_LE(files.size(), 2);
    double total = 0;
    const IniDocument list = IniFile(folder.path("radio.files")).load();
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        const QByteArray tag = tagOf(file);
        ASSERT_TRUE(tag.startsWith("TAG"));
        EXPECT_EQ(tag.mid(33, 5), QByteArray("Jazz\0", 5));
        EXPECT_EQ(tag.mid(97, 12), QByteArray("QV Tidewell\0", 12));
        const QDateTime start = tagStart(tag);
        EXPECT_EQ(file, RecordingFileName(root, QString(), "RR\\yyyy\\mmmm\\dd\\HH-MM-SS", "Jazz",
                                          start));
        EXPECT_EQ(list.readString("Channel0", start.toString("yyMMdd_HHmmss"), QString()), file);
        const AudioProbe probe = ProbeAudio(file);
        ASSERT_TRUE(probe.ok);
        EXPECT_EQ(probe.codec, "mp3");
        EXPECT_EQ(probe.sampleRate, 22050);
        EXPECT_EQ(probe.channels, 1);
        EXPECT_EQ(probe.bitRate, 64000);
        total += probe.duration;
    }
    EXPECT_NEAR(total, seconds, kDurationTolerance);
    EXPECT_TRUE(readText(log).contains("Jazz | /Jazz/")) << readText(log).toStdString();
}

TEST(DaemonRecording, ListsTheCodecCatalogue) {
    QProcess list;
    list.start(QStringLiteral(TIDEWELL_BIN_DIR "/tidewelld"),
               {"--list-codecs", "--rate", "22050", "--channels", "1"});
    ASSERT_TRUE(list.waitForFinished(10000));
    EXPECT_EQ(list.exitCode(), 0);
    const QStringList lines =
        QString::fromUtf8(list.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 14); // the MPEG-2 rates from 8 to 160 kbit/s
    EXPECT_TRUE(lines.contains(QString(kLame) + "\t67\t64 kBit/s, 22050 Hz, Mono"));
    list.start(QStringLiteral(TIDEWELL_BIN_DIR "/tidewelld"), {"--list-codecs", "--channels", "3"});
    ASSERT_TRUE(list.waitForFinished(10000));
    EXPECT_EQ(list.exitCode(), 2);
}

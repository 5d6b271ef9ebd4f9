#include "ChildProcess.h"
#include "SmtpServer.h"
#include "StreamServer.h"
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

namespace {

QByteArray markerCommand(const TestFolder& folder, const QString& name) {
    const QString script = folder.path(name + ".sh");
    folder.write(name + ".sh",
                 ("#!/bin/sh\ntouch \"" + folder.path(name + ".done") + "\"\n").toUtf8());
    QFile::setPermissions(script,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return script.toUtf8();
}

// The daemon's log, read as it runs.
class Log {
public:
    explicit Log(const QString& path) : path_(path) {}
    bool waitFor(const QString& text, int ms = 30000) {
        return QTest::qWaitFor([&] { return read().contains(text); }, ms);
    }
    QString read() const {
        QFile file(path_);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QString path_;
};

} // namespace

TEST(DaemonStations, ConnectsWatchesReportsAndStops) {
    TestFolder folder;
    folder.copyShippedLanguages();
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(TIDEWELL_BIN_DIR "/tidewelld"), folder.path("tidewelld")));
    StreamServer first, second;
    ASSERT_TRUE(first.start({"--name", "First FM"}));
    ASSERT_TRUE(second.start({"--name", "Second FM"}));
    SmtpServer mail;
    ASSERT_TRUE(mail.start());
    const QByteArray ini = "[Settings]\nHTTPPort=0\nMailResponser=ops@example.org\n"
                           "MailSender=tidewell@example.org\nMailSMTP=127.0.0.1\nMailUser=robot\n"
                           "MailPort=" +
                           QByteArray::number(mail.port()) +
                           "\n"
                           "[Channel0]\nName=Manual\nURL=" +
                           first.url("/stream.mp3").toUtf8() +
                           "\nMode=0\n"
                           "[Channel1]\nName=Dropper\nURL=" +
                           first.url("/stream.mp3").toUtf8() +
                           "\nMode=1\nConnect=2\nEBreak=" + markerCommand(folder, "break") +
                           "\nERestore=" + markerCommand(folder, "restore") +
                           "\n"
                           "[Channel2]\nName=Quiet\nURL=" +
                           second.url("/stream.mp3").toUtf8() +
                           "\nMode=1\nConnect=30\nSilence=2\nNoSilence=1\nLevel=-40\nESilence=" +
                           markerCommand(folder, "silence") +
                           "\nENoSilence=" + markerCommand(folder, "sound") + "\n";
    folder.write("radio.ini", ini);

    // Standard error goes to a file through the shell, so the test can read it.
    ChildProcess daemon;
    ASSERT_TRUE(StartDaemonIn(daemon, QDir(folder.path(""))));
    Log log(folder.path("daemon.log"));
    ASSERT_TRUE(log.waitFor("Dropper: Online")) << log.read().toStdString();
    ASSERT_TRUE(log.waitFor("Quiet: Online")) << log.read().toStdString();
    EXPECT_TRUE(log.waitFor("Quiet: stream \"Second FM\""));
    EXPECT_TRUE(log.read().contains("Manual: Stopped"));
    EXPECT_FALSE(log.read().contains("Manual: Online"));

    // The first server goes away for longer than Dropper's two seconds.
    ASSERT_TRUE(first.refuse(true));
    ASSERT_TRUE(first.drop());
    EXPECT_TRUE(log.waitFor("Dropper: Error code "));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(folder.path("break.done")); }, 20000));
    // The operator hears of it by mail.
    const QList<QJsonObject> notices = mail.waitForMessages(1);
    ASSERT_FALSE(notices.isEmpty());
    EXPECT_EQ(notices[0]["subject"].toString(), "Dropper");
    EXPECT_TRUE(notices[0]["body_lines"].toArray()[0].toString().contains("Error code"));
    ASSERT_TRUE(first.refuse(false));
    EXPECT_TRUE(log.waitFor("Dropper: Connection restored"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(folder.path("restore.done")); }, 20000));

    // The second one falls silent, then plays again.
    ASSERT_TRUE(second.setSilence(true));
    EXPECT_TRUE(log.waitFor("Quiet: Silence detected"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(folder.path("silence.done")); }, 20000));
    ASSERT_TRUE(second.setSilence(false));
    EXPECT_TRUE(log.waitFor("Quiet: Sound restored"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(folder.path("sound.done")); }, 20000));

    QElapsedTimer timer;
    timer.start();
    daemon.stop(10000);
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_TRUE(log.read().contains("Shut down")) << log.read().toStdString();
}

TEST(DaemonStations, QuitsWithinFiveSecondsWhateverTheServersDo) {
    TestFolder folder;
    folder.copyShippedLanguages();
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(TIDEWELL_BIN_DIR "/tidewelld"), folder.path("tidewelld")));
    StreamServer server;
    ASSERT_TRUE(server.start());
    QByteArray ini = "[Settings]\nHTTPPort=0\n";
    const QString paths[] = {"/stream.mp3",      "/never",          "/never",
                             "/dead-mirror.pls", "/endless-header", "/hires.mp3"};
    for (int n = 0; n < int(std::size(paths)); ++n)
        ini += "[Channel" + QByteArray::number(n) + "]\nName=S" + QByteArray::number(n) +
               "\nURL=" + server.url(paths[n]).toUtf8() + "\nMode=1\n";
    folder.write("radio.ini", ini);
    ChildProcess daemon;
    ASSERT_TRUE(StartDaemonIn(daemon, QDir(folder.path(""))));
    Log log(folder.path("daemon.log"));
    ASSERT_TRUE(log.waitFor("S0: Online")) << log.read().toStdString();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    QElapsedTimer timer;
    timer.start();
    ::kill(daemon.pid(), SIGTERM);
    EXPECT_EQ(daemon.wait(5000), 0) << log.read().toStdString();
    EXPECT_LT(timer.elapsed(), 5000);
}

#include "ChildProcess.h"
#include "TestSupport.h"
#include "Version.h"
#include "program/SingleInstance.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// A copy of the headless program in a folder of its own, so the test decides which
// language files lie beside it.
QString installDaemon(const TestFolder& folder, bool withLanguages) {
    const QString program = folder.path("tidewelld");
    EXPECT_TRUE(QFile::copy(QStringLiteral(TIDEWELL_BIN_DIR "/tidewelld"), program));
    if (withLanguages)
        folder.copyShippedLanguages();
    return program;
}

bool waitForText(QProcess& process, const QString& text, QString& seen, int ms = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!seen.contains(text) && timer.elapsed() < ms) {
        process.waitForReadyRead(100);
        seen += QString::fromUtf8(process.readAllStandardError());
    }
    return seen.contains(text);
}

} // namespace

TEST(Daemon, WithoutLanguageFilesItSaysSoAndFails) {
    TestFolder folder;
    QProcess daemon;
    daemon.start(installDaemon(folder, false), {});
    ASSERT_TRUE(daemon.waitForFinished(10000));
    EXPECT_NE(daemon.exitCode(), 0);
    const QString err = QString::fromUtf8(daemon.readAllStandardError());
    EXPECT_TRUE(err.contains("The language files don't exits!")) << err.toStdString();
    EXPECT_TRUE(err.contains(folder.path("tidewell.*.lng"))) << err.toStdString();
}

TEST(Daemon, RunsUntilTerminatedThenStopsCleanly) {
    TestFolder folder;
    QProcess daemon;
    daemon.start(installDaemon(folder, true), {"--config", folder.path("mine.ini")});
    QString seen;
    ASSERT_TRUE(waitForText(daemon, "starting headless", seen)) << seen.toStdString();
    EXPECT_TRUE(seen.contains(folder.path("mine.ini"))) << seen.toStdString();
    ASSERT_TRUE(waitForText(daemon, "locale", seen)) << seen.toStdString();
    // Still running a while later: it waits for a signal, not for input.
    EXPECT_FALSE(daemon.waitForFinished(500));
    ::kill(pid_t(daemon.processId()), SIGTERM);
    ASSERT_TRUE(daemon.waitForFinished(5000));
    seen += QString::fromUtf8(daemon.readAllStandardError());
    EXPECT_EQ(daemon.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(daemon.exitCode(), 0);
    EXPECT_TRUE(seen.contains("Shut down")) << seen.toStdString();
}

TEST(Daemon, AnswersVersionAndHelp) {
    for (const char* program : {"tidewelld", "tidewell"}) {
        QProcess p;
        p.start(QStringLiteral(TIDEWELL_BIN_DIR "/") + program, {"--version"});
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_TRUE(p.readAllStandardOutput().contains(TIDEWELL_VERSION)) << program;
    }
    QProcess p;
    p.start(QStringLiteral(TIDEWELL_BIN_DIR "/tidewelld"), {"--help"});
    ASSERT_TRUE(p.waitForFinished(10000));
    const QByteArray help = p.readAllStandardOutput();
    EXPECT_TRUE(help.contains("--config")) << help.toStdString();
    EXPECT_TRUE(help.contains("--version"));
}

// A second desktop program on the same settings asks the first to come forward and
// ends.
TEST(Desktop, OneProgramPerSettingsFile) {
    TestFolder folder;
    folder.copyShippedLanguages();
    ASSERT_TRUE(QFile::copy(QStringLiteral(TIDEWELL_BIN_DIR "/tidewell"), folder.path("tidewell")));
    folder.write("a.ini", "[Settings]\nHTTPPort=0\n");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ChildProcess first;
    ASSERT_TRUE(first.start(folder.path("tidewell"), {"--config", folder.path("a.ini")}));
    QLocalSocket probe;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            probe.connectToServer(SingleInstance::KeyFor(folder.path("a.ini")));
            return probe.waitForConnected(100);
        },
        10000));
    probe.disconnectFromServer();

    QProcess second;
    second.start(folder.path("tidewell"), {"--config", folder.path("a.ini")});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(first.running());
    EXPECT_EQ(first.wait(500), -1); // still running
    first.stop();
}

// The headless program holds its settings file against a second daemon and against the
// desktop program alike; each later start says why it ends.
TEST(Daemon, OneProgramPerSettingsFileAlsoWithoutADisplay) {
    TestFolder folder;
    const QString daemonPath = installDaemon(folder, true);
    ASSERT_TRUE(QFile::copy(QStringLiteral(TIDEWELL_BIN_DIR "/tidewell"), folder.path("tidewell")));
    folder.write("a.ini", "[Settings]\nHTTPPort=0\n");
    QProcess first;
    first.start(daemonPath, {"--config", folder.path("a.ini")});
    QString seen;
    ASSERT_TRUE(waitForText(first, "locale", seen)) << seen.toStdString();

    QProcess second;
    second.start(daemonPath, {"--config", folder.path("a.ini")});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_NE(second.exitCode(), 0);
    const QString refused = QString::fromUtf8(second.readAllStandardError());
    EXPECT_TRUE(refused.contains("Tidewell already runs with " + folder.path("a.ini")))
        << refused.toStdString();

    QProcess desktop;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    desktop.setProcessEnvironment(env);
    desktop.start(folder.path("tidewell"), {"--config", folder.path("a.ini")});
    ASSERT_TRUE(desktop.waitForFinished(10000));
    EXPECT_EQ(desktop.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(desktop.readAllStandardError()).contains("already runs"));

    // Another settings file is another program.
    QProcess other;
    other.start(daemonPath, {"--config", folder.path("b.ini")});
    QString otherSeen;
    EXPECT_TRUE(waitForText(other, "locale", otherSeen)) << otherSeen.toStdString();
    for (QProcess* p : {&first, &other}) {
        EXPECT_EQ(p->state(), QProcess::Running);
        ::kill(pid_t(p->processId()), SIGTERM);
        EXPECT_TRUE(p->waitForFinished(5000));
    }
}

// A logout, a service stop or Ctrl+C: both programs shut down in order and exit normally.
class StopSignal : public ::testing::TestWithParam<std::tuple<const char*, int>> {};

TEST_P(StopSignal, ShutsTheProgramDownInOrder) {
    const auto [program, signal] = GetParam();
    TestFolder folder;
    folder.copyShippedLanguages();
    ASSERT_TRUE(QFile::copy(QStringLiteral(TIDEWELL_BIN_DIR "/") + program, folder.path(program)));
    folder.write("a.ini", "[Settings]\nHTTPPort=0\n");
    QProcess running;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    running.setProcessEnvironment(env);
    running.start(folder.path(program), {"--config", folder.path("a.ini")});
    QLocalSocket probe;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            probe.connectToServer(SingleInstance::KeyFor(folder.path("a.ini")));
            return probe.waitForConnected(100);
        },
        10000));
    probe.disconnectFromServer();
    QTest::qWait(300); // past the start-up stage that follows the first tick

    ::kill(pid_t(running.processId()), signal);
    ASSERT_TRUE(running.waitForFinished(10000));
    const QString err = QString::fromUtf8(running.readAllStandardError());
    EXPECT_EQ(running.exitStatus(), QProcess::NormalExit) << err.toStdString();
    EXPECT_EQ(running.exitCode(), 0);
    EXPECT_TRUE(err.contains("Shut down")) << err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, StopSignal,
                         ::testing::Combine(::testing::Values("tidewell", "tidewelld"),
                                            ::testing::Values(SIGTERM, SIGINT)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) == SIGTERM ? "_TERM" : "_INT");
                         });

#include "ChildProcess.h"
#include "StreamServer.h"
#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The page as a real browser builds it: headless Chromium's document after loading.
QString browserDom(const QString& url, const TestFolder& folder) {
    QProcess chromium;
    chromium.start("chromium", {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                                "--no-first-run", "--disable-background-networking",
                                "--disable-component-update", "--disable-sync",
                                "--user-data-dir=" + folder.path("chromium"), "--dump-dom", url});
    EXPECT_TRUE(chromium.waitForFinished(60000));
    return QString::fromUtf8(chromium.readAllStandardOutput());
}

QString curl(const QString& url) {
    QProcess curl;
    curl.start("curl", {"-s", url});
    curl.waitForFinished(10000);
    return QString::fromLatin1(curl.readAllStandardOutput());
}

} // namespace

TEST(DaemonWeb, TheStatusPageInABrowser) {
    TestFolder folder;
    folder.copyShippedLanguages();
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(TIDEWELL_BIN_DIR "/tidewelld"), folder.path("tidewelld")));
    StreamServer stream;
    ASSERT_TRUE(stream.start());
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    folder.write("radio.ini", "[Settings]\nHTTPPort=" + QByteArray::number(port) +
                                  "\nHTTPUser=op\n[Channel0]\nName=Радио\nMode=1\nURL=" +
                                  stream.url("/stream.mp3").toUtf8() + "\n");
    ChildProcess daemon;
    ASSERT_TRUE(StartDaemonIn(daemon, QDir(folder.path(""))));
    auto log = [&] { return QString::fromUtf8(folder.read("daemon.log")); };
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return log().contains(QString::fromUtf8("Радио: Online")); }, 30000));
    EXPECT_TRUE(log().contains(QStringLiteral("web page: http://")) &&
                log().contains(QStringLiteral(":%1/").arg(port)))
        << log().toStdString();

    // A hostile title from the radio server shows as text.
    ASSERT_TRUE(stream.setTitle("<script>alert(1)</script>"));
    const QString base = QStringLiteral("http://op:x@127.0.0.1:%1/").arg(port);
    const QString stationPage = base + "%D0%A0%D0%B0%D0%B4%D0%B8%D0%BE";
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return curl(stationPage).contains("&lt;script&gt;"); }, 20000));

    const QString overview = browserDom(base, folder);
    EXPECT_TRUE(overview.contains(QString::fromUtf8(">Радио</a>"))) << overview.toStdString();
    EXPECT_TRUE(overview.contains(">Online</font>"));
    const QString station = browserDom(stationPage, folder);
    EXPECT_TRUE(station.contains("<td>&lt;script&gt;alert(1)&lt;/script&gt;</td>"))
        << station.toStdString();
    EXPECT_FALSE(station.contains("<script>"));
    daemon.stop(10000);
}

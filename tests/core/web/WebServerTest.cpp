#include "ChildProcess.h"
#include "StreamServer.h"
#include "TestSupport.h"
#include "codec/LameDriver.h"
#include "lang/Charset.h"
#include "program/ProgramCore.h"
#include "settings/StationConfig.h"
#include "station/ConnectionCheck.h"
#include "station/StationEngine.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

struct Reply {
    int status = 0;
    QByteArray contentType, authenticate;
    QString body; // from windows-1251
};

// The program in this process with two stations on the local test station, and a web
// page on a port of its own.
class WebServer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(stream.start());
        folder.copyShippedLanguages();
        core = std::make_unique<ProgramCore>(ProgramPaths::Resolve(folder.path("tidewell"), {}),
                                             &presenter);
        ASSERT_TRUE(core->Create());
        TSettings s;
        s.Root = folder.path("rec");
        s.HTTPPort = port;
        s.HTTPUser = "op";
        s.HTTPPass = "secret";
        ASSERT_TRUE(core->SettingsStore().SaveSettings(s));
        StationConfigStore store(core->Paths().settingsFile);
        for (const auto& [number, name] : {std::pair{0, "Jazz"}, std::pair{1, "Радио"}}) {
            StationConfig c;
            c.Name = QString::fromUtf8(name);
            c.FileDir = QStringLiteral("s%1").arg(number);
            c.URL = stream.url("/stream.mp3");
            c.Driver = LameDriver().LongName();
            c.Codec = 67;
            c.Bitrate = 22050;
            c.Channels = 1;
            store.WriteStationConfig(number, c);
        }
        core->InitProgram();
        ASSERT_EQ(core->Stations().Count(), 2);
        QTest::qWait(200); // the stations' first ticks and the snapshot after them
    }
    // curl in a process of its own; the program's event loop runs on afterwards.
    Reply get(const QString& pathAndQuery, const QString& user = "op",
              const QString& password = "secret", quint16 on = 0) {
        QStringList args{
            "-s", "-o", folder.path("body"), "-D", folder.path("head"), "-w", "%{http_code}\n"};
        if (!user.isEmpty() || !password.isEmpty())
            args << "-u" << user + u':' + password;
        args << QStringLiteral("http://127.0.0.1:%1%2").arg(on ? on : port).arg(pathAndQuery);
        ChildProcess curl;
        QByteArray code;
        EXPECT_TRUE(curl.start("curl", args) && curl.readLine(&code, 10000));
        curl.wait(10000);
        Reply r;
        r.status = code.trimmed().toInt();
        for (const QByteArray& line : folder.read("head").split('\n')) {
            if (line.startsWith("Content-Type: "))
                r.contentType = line.mid(14).trimmed();
            if (line.startsWith("WWW-Authenticate: "))
                r.authenticate = line.mid(18).trimmed();
        }
        Charset::Decode(folder.read("body"), "WINDOWS-1251", &r.body);
        QFile::remove(folder.path("body"));
        QFile::remove(folder.path("head"));
        return r;
    }
    StationEngine& station(int index) { return *core->Stations().At(index); }
    void setSettings(const std::function<void(TSettings&)>& change) {
        change(core->Settings());
        QTest::qWait(150); // the next tick publishes them
    }

    StreamServer stream;
    TestFolder folder;
    LogDialogPresenter presenter;
    quint16 port = freePort();
    std::unique_ptr<ProgramCore> core;
};

} // namespace

TEST_F(WebServer, AsksForTheLogInThenShowsTheStations) {
    Reply r = get("/", "", "");
    EXPECT_EQ(r.status, 401);
    EXPECT_EQ(r.authenticate, "Basic realm=\"Tidewell\"");
    EXPECT_EQ(r.body, "unauthorized");
    EXPECT_EQ(get("/", "op", "wrong").status, 401);
    EXPECT_EQ(get("/", "other", "secret").status, 401);

    r = get("/");
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.contentType, "text/html; charset=windows-1251");
    EXPECT_TRUE(r.body.contains("<a href=\"./Jazz\">Jazz</a>"));
    EXPECT_TRUE(r.body.contains(
        QString::fromUtf8("<a href=\"./%D0%A0%D0%B0%D0%B4%D0%B8%D0%BE\">Радио</a>")));
    EXPECT_TRUE(r.body.contains(">Stopped</font>"));

    r = get("/%D0%A0%D0%B0%D0%B4%D0%B8%D0%BE");
    EXPECT_TRUE(r.body.contains(QString::fromUtf8("<b>Радио</b>")));
    EXPECT_TRUE(r.body.contains("<td>s1</td></tr>"));
    EXPECT_TRUE(get("/Nobody").body.contains("A stream does not exist: \"Nobody\""));

    // Only a password: any user name will do.
    setSettings([](TSettings& s) { s.HTTPUser.clear(); });
    EXPECT_EQ(get("/", "anyone", "secret").status, 200);
    EXPECT_EQ(get("/", "anyone", "").status, 401);
}

TEST_F(WebServer, CommandsReachTheStationsOnTheMainTick) {
    Reply r = get("/Jazz?Record");
    EXPECT_TRUE(r.body.contains("Record for Jazz executed"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return station(0).Station().LinkState == LINK_ONLINE; }, 30000));
    EXPECT_EQ(station(0).Station().RecState, 1);
    EXPECT_TRUE(get("/").body.contains("<a href=\"./Jazz?StopRec\">Stop</a>"));

    // Stop on a recording station ends the recording and the connection together.
    get("/Jazz?Stop");
    EXPECT_TRUE(QTest::qWaitFor([&] { return station(0).Station().RecState == 0; }, 5000));
    EXPECT_EQ(station(0).Station().LinkState, LINK_STOP);

    // Unknown words, "clear" in lower case and the bare path queue nothing.
    for (const char* request : {"/Jazz?Start", "/Jazz?clear", "/?Run", "/Nobody?Run"}) {
        r = get(request);
        EXPECT_TRUE(r.body.contains("content=\"1; URL=/\"")) << request;
        EXPECT_FALSE(r.body.contains("executed")) << request;
    }
    get("/%D0%A0%D0%B0%D0%B4%D0%B8%D0%BE?Run");
    EXPECT_TRUE(QTest::qWaitFor([&] { return station(1).Station().LinkState != LINK_STOP; }, 5000));
    QTest::qWait(300);
    EXPECT_EQ(station(0).Station().LinkState, LINK_STOP);

    setSettings([](TSettings& s) { s.HTTPEnableClear = false; });
    r = get("/Jazz?Run");
    EXPECT_FALSE(r.body.contains("executed"));
    QTest::qWait(300);
    EXPECT_EQ(station(0).Station().LinkState, LINK_STOP);
}

TEST_F(WebServer, ClearsEmptyWhatTheyName) {
    auto addEvents = [&] {
        for (int i = 0; i < 2; ++i) {
            const std::lock_guard lock(station(i).Station().StatusLock);
            ErrorListAdd(station(i).Station().Status, "Silence");
        }
        core->LogEvent("Jazz", "Silence");
    };
    auto count = [&](int i) {
        const std::lock_guard lock(station(i).Station().StatusLock);
        return station(i).Station().Status.ErrorCount;
    };
    addEvents();
    EXPECT_TRUE(get("/Jazz?Clear").body.contains("Clear for Jazz"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return count(0) == 0; }, 2000));
    EXPECT_EQ(count(1), 1);
    EXPECT_EQ(core->Events().Entries().size(), 1);

    get("/*?Clear");
    EXPECT_TRUE(QTest::qWaitFor([&] { return core->Events().Entries().isEmpty(); }, 2000));
    EXPECT_EQ(count(1), 1);

    addEvents();
    get("/?Clear");
    EXPECT_TRUE(QTest::qWaitFor([&] { return count(0) == 0 && count(1) == 0; }, 2000));
    EXPECT_EQ(core->Events().Entries().size(), 1);

    addEvents();
    setSettings([](TSettings& s) { s.HTTPEnableClear = false; });
    EXPECT_FALSE(get("/?Clear").body.contains("Clear"));
    QTest::qWait(300);
    EXPECT_EQ(count(0), 1);
}

TEST_F(WebServer, TheListenerFollowsThePort) {
    const quint16 moved = freePort();
    core->Settings().HTTPPort = moved;
    core->TryStartHTTPServer();
    EXPECT_EQ(get("/", "op", "secret", moved).status, 200);
    EXPECT_EQ(get("/").status, 0); // nothing listens on the old port

    core->Settings().HTTPPort = 0;
    core->TryStartHTTPServer();
    EXPECT_FALSE(core->WebServer().Active());
    EXPECT_EQ(get("/", "op", "secret", moved).status, 0);

    // A port another program holds: the program goes on and tries again later.
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::Any, 0));
    core->Settings().HTTPPort = other.serverPort();
    core->TryStartHTTPServer();
    EXPECT_FALSE(core->WebServer().Active());
    other.close();
    core->TryStartHTTPServer();
    EXPECT_TRUE(core->WebServer().Active());
}

TEST_F(WebServer, IdleClientsAndHugeHeadersDoNotStopOthers) {
    std::vector<int> idle;
    for (int i = 0; i < 200; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        idle.push_back(fd);
    }
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(get("/").status, 200);
    // Answered at once, not after the idle ones timed out.
    EXPECT_LT(timer.elapsed(), 5000);
    for (const int fd : idle)
        ::close(fd);

    QTcpSocket huge;
    huge.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(huge.waitForConnected(5000));
    huge.write("GET / HTTP/1.1\r\nHost: x\r\nX-Big: " + QByteArray(20000, 'a') + "\r\n\r\n");
    QByteArray answer;
    while (huge.waitForReadyRead(5000))
        answer += huge.readAll();
    EXPECT_FALSE(answer.startsWith("HTTP/1.1 200")) << answer.left(40).toStdString();
}

#include "notify/MailSender.h"
#include "SmtpServer.h"
#include "TestSupport.h"
#include "notify/MailMessage.h"

#include <QJsonArray>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>

namespace {

class Mail : public ::testing::Test {
protected:
    MailSettings settings(quint16 port) {
        MailSettings s;
        s.Responser = "ops@example.org";
        s.Sender = "tidewell@example.org";
        s.User = "robot";
        s.Account = {"127.0.0.1", port, false, true, "robot", "s3cret", true};
        s.Charset = "windows-1251";
        return s;
    }
    // One step from now, waited for; the progress texts it showed.
    QStringList step(const MailSettings& s) {
        QStringList shown;
        QObject::connect(&sender, &MailSender::ShowMailProgress,
                         [&](const QString& text, const QString&) { shown << text; });
        now += 60000;
        sender.SendMailStep(s);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !sender.StepRunning(); }, 30000));
        QObject::disconnect(&sender, &MailSender::ShowMailProgress, nullptr, nullptr);
        return shown;
    }

    std::atomic<quint64> now{1000};
    MailQueue queue;
    MailSender sender{queue, [this] { return now.load(); }};
};

} // namespace

TEST_F(Mail, EachNoticeIsOneMessageOverOneConnectionInOrder) {
    SmtpServer server;
    ASSERT_TRUE(server.start({"--user", "robot", "--password", "s3cret"}));
    queue.QueueNotice("a@example.org; b@example.org", QString::fromUtf8("Радио"),
                      QString::fromUtf8("Тишина в канале"));
    queue.QueueNotice("", "  Jazz  ", "Connection restored");
    queue.QueueNotice("c@example.org", "Tidewell", QString(300, u'x'));
    step(settings(server.port()));

    const QList<QJsonObject> m = server.waitForMessages(3);
    ASSERT_EQ(m.size(), 3);
    EXPECT_EQ(queue.Count(), 0);
    EXPECT_EQ(sender.NextMailStep(), now + 1000);
    for (const QJsonObject& message : m) {
        EXPECT_EQ(message["connection"].toInt(), 1);
        EXPECT_EQ(message["from"].toString(), "Tidewell <tidewell@example.org>");
        EXPECT_EQ(message["to"].toString(), "<ops@example.org>");
        EXPECT_FALSE(message["bcc_header"].toBool());
        EXPECT_EQ(message["charset"].toString(), "windows-1251");
    }
    EXPECT_EQ(m[0]["rcpt_tos"].toArray(),
              QJsonArray({"ops@example.org", "a@example.org", "b@example.org"}));
    EXPECT_EQ(m[0]["subject"].toString(), QString::fromUtf8("Радио"));
    EXPECT_TRUE(m[0]["raw_subject"].toString().startsWith("=?windows-1251?B?"));
    const QJsonArray body = m[0]["body_lines"].toArray();
    EXPECT_EQ(body[0].toString(), QString::fromUtf8("Тишина в канале"));
    EXPECT_EQ(body[1].toString(), QString(16, u'_'));
    EXPECT_EQ(body[2].toString(), QString::fromUtf8("Радио"));
    EXPECT_FALSE(body[3].toString().isEmpty());
    EXPECT_EQ(m[1]["rcpt_tos"].toArray(), QJsonArray({"ops@example.org"}));
    EXPECT_EQ(m[1]["subject"].toString(), "Jazz");
    EXPECT_EQ(m[1]["body_lines"].toArray()[2].toString(), "  Jazz  ");
    EXPECT_EQ(m[2]["body_lines"].toArray()[0].toString(), QString(255, u'x'));
}

TEST_F(Mail, FailuresKeepTheNoticesAndWaitHalfAMinute) {
    queue.QueueNotice("", "One", "first");
    queue.QueueNotice("", "Two", "second");
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    const quint16 refused = closed.serverPort();
    closed.close();
    QStringList shown = step(settings(refused));
    EXPECT_EQ(queue.Count(), 2);
    EXPECT_EQ(queue.First()->Subject, "One");
    EXPECT_EQ(sender.NextMailStep(), now + 30000);
    EXPECT_FALSE(shown.last().isEmpty());   // the error
    sender.SendMailStep(settings(refused)); // too early: nothing happens
    EXPECT_FALSE(sender.StepRunning());

    SmtpServer server;
    ASSERT_TRUE(server.start({"--user", "robot", "--password", "other"}));
    step(settings(server.port()));
    EXPECT_EQ(queue.Count(), 2);
    EXPECT_EQ(sender.NextMailStep(), now + 30000);

    // Without a user name there is nobody to send as: the notices are dropped.
    MailSettings noUser = settings(server.port());
    noUser.User.clear();
    step(noUser);
    EXPECT_EQ(queue.Count(), 0);
    EXPECT_EQ(sender.NextMailStep(), now + 1000);
}

TEST_F(Mail, SelfSignedCertificatesOnlyWhenAllowed) {
    SmtpServer server;
    ASSERT_TRUE(server.start({"--tls"}));
    MailSettings s = settings(server.port());
    s.Account.UseSSL = true;
    s.Account.Auth = false;
    queue.QueueNotice("", "Jazz", "Silence");
    const QStringList shown = step(s);
    EXPECT_EQ(queue.Count(), 1);
    EXPECT_TRUE(shown.last().contains("MailVerifyCert")) << shown.join('|').toStdString();

    s.Account.VerifyCert = false;
    step(s);
    EXPECT_EQ(queue.Count(), 0);
    EXPECT_EQ(server.waitForMessages(1).size(), 1);
}

TEST(MailMessage, HeadersStayOneLineAndAddressListsSplit) {
    EXPECT_EQ(SplitAddresses(" a@x, b@y;;c@z ; "), QStringList({"a@x", "b@y", "c@z"}));
    MailMessage m;
    m.FromAddress = "me@x";
    m.FromName = "Tidewell";
    m.To = {"you@y"};
    m.Subject = "Jazz\r\nBcc: victim@z";
    m.Body = {"text"};
    m.Date = QDateTime::currentDateTime();
    const QByteArray message = ComposeMessage(m, "windows-1251");
    EXPECT_TRUE(message.contains("Subject: Jazz  Bcc: victim@z\r\n"));
    EXPECT_FALSE(message.contains("\nBcc:"));
    // TLS from the first byte, but never on the submission port, where it starts later.
    SmtpAccount a;
    a.Host = "mail.x";
    a.UseSSL = true;
    a.Port = 465;
    EXPECT_EQ(SmtpUrl(a), "smtps://mail.x:465");
    a.Port = 587;
    EXPECT_EQ(SmtpUrl(a), "smtp://mail.x:587");
    a.UseSSL = false;
    a.Port = 25;
    EXPECT_EQ(SmtpUrl(a), "smtp://mail.x:25");
}

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>

// Where and how the notices are handed over.
struct SmtpAccount {
    QString Host;
    int Port = 25;
    bool UseSSL = false;
    bool Auth = false; // AUTH LOGIN with User and Pass
    QString User, Pass;
    bool VerifyCert = true;
};

// The server's address for the mail library: TLS from the first byte ("smtps") with
// UseSSL, except on the submission port 587, where TLS can only start in the dialogue.
QString SmtpUrl(const SmtpAccount& account);

// An SMTP client on libcurl. Messages sent through one client share one connection,
// opened by the first and closed when the client goes. TLS is 1.2 or newer.
class SmtpClient {
public:
    // Aborts a running exchange as soon as *cancel becomes true.
    explicit SmtpClient(SmtpAccount account, const std::atomic<bool>* cancel = nullptr);
    ~SmtpClient();
    SmtpClient(const SmtpClient&) = delete;
    SmtpClient& operator=(const SmtpClient&) = delete;

    // Hands one message to the server for every recipient (shown and blind). Empty
    // when the server took it, otherwise what went wrong.
    QString Send(const QString& from, const QStringList& recipients, const QByteArray& message);

private:
    SmtpAccount account_;
    const std::atomic<bool>* cancel_;
    void* curl_;
};

#pragma once

#include "notify/MailQueue.h"
#include "notify/SmtpClient.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// The mail settings one step works with, copied when it starts.
struct MailSettings {
    QString Responser, Sender, User;
    SmtpAccount Account;
    QByteArray Charset; // of the body, the subject and the names
};

// Sends the queued notices on a thread of its own, so that a slow or dead mail server
// never holds up the windows or the stations. A step runs when its time has come and
// no other step runs: one connection, every notice in queue order, each removed only
// once the server took it; after a failure the next step comes 30 s later, otherwise
// 1 s. Progress texts go out as signals, from the sending thread.
class MailSender : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<quint64()>;
    MailSender(MailQueue& queue, Clock clock);
    // Ends a running exchange at once and waits for the thread.
    ~MailSender() override;

    // SendMailStep: starts a step when NextMailStep has come.
    void SendMailStep(const MailSettings& settings);
    // A test message with the values as typed, whatever the queue holds. Called on the
    // main thread, which dates it.
    void SendTestEmail(const MailSettings& settings, const QString& text);
    // Whether SendMailStep would start a step now.
    bool Due() const { return !running_ && clock_() >= next_; }
    quint64 NextMailStep() const { return next_; }
    bool StepRunning() const { return running_; }

Q_SIGNALS:
    void ShowMailProgress(const QString& text, const QString& heading);
    void CloseMailProgress();

private:
    void post(std::function<void()> job);
    void run();
    void step(const MailSettings& settings);
    void testMessage(const MailSettings& settings, const QStringList& body);

    MailQueue& queue_;
    Clock clock_;
    std::atomic<quint64> next_;
    std::atomic<bool> running_{false};
    std::atomic<bool> cancel_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    std::thread thread_;
};

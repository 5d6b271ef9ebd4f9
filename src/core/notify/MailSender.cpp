#include "notify/MailSender.h"

#include "notify/MailMessage.h"

namespace {

const QString kSeparator(16, u'_');

bool incomplete(const MailSettings& s) {
    return s.Responser.isEmpty() || s.Sender.isEmpty() || s.Account.Host.isEmpty() ||
           s.User.isEmpty();
}

MailMessage messageFrom(const MailSettings& s) {
    MailMessage m;
    m.FromAddress = s.Sender;
    m.FromName = QStringLiteral("Tidewell");
    m.To = SplitAddresses(s.Responser);
    m.Date = QDateTime::currentDateTimeUtc();
    return m;
}

} // namespace

MailSender::MailSender(MailQueue& queue, Clock clock)
    : queue_(queue), clock_(std::move(clock)), next_(clock_() + 1000), thread_([this] { run(); }) {}

MailSender::~MailSender() {
    {
        const std::lock_guard lock(mutex_);
        cancel_ = true;
        jobs_.clear();
    }
    wake_.notify_one();
    thread_.join();
}

void MailSender::post(std::function<void()> job) {
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void MailSender::run() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return cancel_ || !jobs_.empty(); });
            if (cancel_)
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

void MailSender::SendMailStep(const MailSettings& settings) {
    if (!Due())
        return;
    running_ = true;
    post([this, settings] { step(settings); });
}

void MailSender::step(const MailSettings& s) {
    quint64 delay = 1000;
    if (incomplete(s)) {
        // Nobody to tell: the notices are dropped rather than piled up.
        queue_.Clear();
    } else if (queue_.Count() > 0) {
        Q_EMIT ShowMailProgress(QString(), QStringLiteral("Connect to ") + s.Account.Host);
        SmtpClient client(s.Account, &cancel_);
        MailMessage m = messageFrom(s);
        std::optional<MailNotice> notice;
        while (!cancel_ && (notice = queue_.First())) {
            m.Subject = notice->Subject.trimmed();
            m.Body = {notice->Text, kSeparator, notice->Subject, notice->TimeText};
            m.Date = QDateTime::currentDateTimeUtc();
            Q_EMIT ShowMailProgress(notice->Text, m.Subject);
            const QString error = client.Send(s.Sender, m.To + SplitAddresses(notice->BCC),
                                              ComposeMessage(m, s.Charset));
            if (!error.isEmpty()) {
                Q_EMIT ShowMailProgress(error, QString());
                delay = 30000;
                break;
            }
            queue_.RemoveFirst();
        }
    }
    Q_EMIT CloseMailProgress();
    next_ = clock_() + delay;
    running_ = false;
}

void MailSender::SendTestEmail(const MailSettings& settings, const QString& text) {
    const QStringList body{text, kSeparator, LocalDateTimeText(QDateTime::currentDateTime())};
    post([this, settings, body] { testMessage(settings, body); });
}

void MailSender::testMessage(const MailSettings& s, const QStringList& body) {
    Q_EMIT ShowMailProgress(QString(), QStringLiteral("Connect to ") + s.Account.Host);
    SmtpClient client(s.Account, &cancel_);
    MailMessage m = messageFrom(s);
    m.Subject = QStringLiteral("Test message");
    m.Body = body;
    Q_EMIT ShowMailProgress(QStringLiteral("This is test message"), m.Subject);
    const QString error = client.Send(s.Sender, m.To, ComposeMessage(m, s.Charset));
    if (!error.isEmpty()) {
        // The window stays open with what went wrong.
        Q_EMIT ShowMailProgress(error, QString());
        return;
    }
    Q_EMIT CloseMailProgress();
}

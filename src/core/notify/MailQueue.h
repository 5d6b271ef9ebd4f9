#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <mutex>
#include <optional>

struct MailNotice {
    QDateTime Time;
    QString TimeText; // short date and long time of the locale, made when queued
    QString BCC;      // max 255
    QString Subject;  // max 255
    QString Text;     // max 255
};

// Notices waiting to be mailed. A lock stands in for the busy flag between the
// producers and the sending step.
// The date and time in the locale's short date and long time formats.
QString LocalDateTimeText(const QDateTime& time);

class MailQueue {
public:
    void QueueNotice(const QString& bcc, const QString& subject, const QString& text);
    // The notices in queue order, for the sending step.
    QList<MailNotice> Notices() const;
    // The oldest notice, which stays queued until it was sent.
    std::optional<MailNotice> First() const;
    // Removes the oldest notice, once it was sent.
    void RemoveFirst();
    void Clear();
    int Count() const;

private:
    mutable std::mutex mutex_;
    QList<MailNotice> notices_;
};

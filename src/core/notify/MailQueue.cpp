#include "notify/MailQueue.h"

#include "base/TextCut.h"

#include <QLocale>

QString LocalDateTimeText(const QDateTime& time) {
    const QLocale locale;
    return locale.toString(time.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(time.time(), QLocale::LongFormat);
}

void MailQueue::QueueNotice(const QString& bcc, const QString& subject, const QString& text) {
    const std::lock_guard lock(mutex_);
    const QDateTime now = QDateTime::currentDateTime();
    notices_.append({now, LocalDateTimeText(now), CutText(bcc, 255), CutText(subject, 255),
                     CutText(text, 255)});
}

QList<MailNotice> MailQueue::Notices() const {
    const std::lock_guard lock(mutex_);
    return notices_;
}

std::optional<MailNotice> MailQueue::First() const {
    const std::lock_guard lock(mutex_);
    return notices_.isEmpty() ? std::nullopt : std::optional(notices_.first());
}

void MailQueue::Clear() {
    const std::lock_guard lock(mutex_);
    notices_.clear();
}

void MailQueue::RemoveFirst() {
    const std::lock_guard lock(mutex_);
    if (!notices_.isEmpty())
        notices_.removeFirst();
}

int MailQueue::Count() const {
    const std::lock_guard lock(mutex_);
    return int(notices_.size());
}

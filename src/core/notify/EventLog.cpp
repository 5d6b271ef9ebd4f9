#include "notify/EventLog.h"

#include "base/TextCut.h"

QString ShownTime(const QDateTime& time) {
    return time.toString(QStringLiteral("HH:mm:ss dd.MM.yy"));
}

void EventLog::LogEvent(const QString& station, const QString& text) {
    const std::lock_guard lock(mutex_);
    const QDateTime now = QDateTime::currentDateTime();
    entries_.append({now, ShownTime(now), CutText(station, 255), CutText(text, 255)});
    while (entries_.size() > kMaxEntries)
        entries_.removeFirst();
}

QList<EventLogEntry> EventLog::Entries() const {
    const std::lock_guard lock(mutex_);
    return entries_;
}

void EventLog::Clear() {
    const std::lock_guard lock(mutex_);
    entries_.clear();
}

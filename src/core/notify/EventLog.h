#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <mutex>

// Times in the event lists as the status page shows them ("hh:mm:ss dd.mm.yy"), made
// when the event happens, on the main thread, so that no page has to convert them.
QString ShownTime(const QDateTime& time);

struct EventLogEntry {
    QDateTime Time;
    QString TimeText; // ShownTime
    QString Station;  // max 255
    QString Text;     // max 255
};

// The recent events shown on the status page: the newest 64. Written on the main
// thread, read by the web server's threads.
class EventLog {
public:
    static constexpr int kMaxEntries = 64;

    void LogEvent(const QString& station, const QString& text);
    QList<EventLogEntry> Entries() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    QList<EventLogEntry> entries_;
};

#pragma once

#include <QDateTime>
#include <QString>

class TLanguage;
class WorkerPool;
struct TSettings;

// What a station needs from the program around it: texts, the event log, the mail
// queue, the operator's commands, the one-listener rule, and for recording the
// global settings, the clock, the saved-files list, the encoding threads and the
// disk guard.
class StationHost {
public:
    virtual ~StationHost() = default;
    virtual TLanguage& Language() = 0;
    virtual void LogEvent(const QString& station, const QString& text) = 0;
    virtual void QueueNotice(const QString& bcc, const QString& subject, const QString& text) = 0;
    virtual void RunCommand(const QString& command) = 0;
    virtual void ListenShutup() = 0;
    virtual void WriteListenChannel(int number) = 0;
    virtual const TSettings& GlobalSettings() = 0;
    // Where recordings go when no root is set.
    virtual QString ProgramFolder() const = 0;
    // Local time; tests move it across an hour.
    virtual QDateTime Now() { return QDateTime::currentDateTime(); }
    virtual void AddFile(int number, const QString& fileName) = 0;
    // The threads stations encode on.
    virtual WorkerPool& EncodingPool() = 0;
    // A write to a recording failed: the free space is looked at without waiting.
    virtual void CheckDiskSoon() = 0;
};

#pragma once

#include <QString>

class TLanguage;

// What a station needs from the program around it: texts, the event log, the mail
// queue, the operator's commands and the one-listener rule.
class StationHost {
public:
    virtual ~StationHost() = default;
    virtual TLanguage& Language() = 0;
    virtual void LogEvent(const QString& station, const QString& text) = 0;
    virtual void QueueNotice(const QString& bcc, const QString& subject, const QString& text) = 0;
    virtual void RunCommand(const QString& command) = 0;
    virtual void ListenShutup() = 0;
    virtual void WriteListenChannel(int number) = 0;
};

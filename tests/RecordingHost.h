#pragma once

#include "TestSupport.h"
#include "config/FSettings.h"
#include "lang/QVLanguage.h"
#include "station/StationHost.h"

#include <QElapsedTimer>
#include <QStringList>

#include <utility>

// A station's surroundings for tests: records what the station reports, with the
// shipped English texts, and keeps a clock the test can move.
class RecordingHost : public StationHost {
public:
    explicit RecordingHost(const TestFolder& folder)
        : language_(folder.path("tidewell.")), folder_(folder.path("")) {
        language_.SelectLanguage(language_.FindLanguage("English"));
        settings.Root = folder.path("Record");
    }
    TLanguage& Language() override { return language_; }
    void LogEvent(const QString& station, const QString& text) override {
        logs << station + ": " + text;
    }
    void QueueNotice(const QString& bcc, const QString& subject, const QString& text) override {
        notices << bcc + "|" + subject + "|" + text;
    }
    void RunCommand(const QString& command) override { commands << command; }
    void ListenShutup() override { ++shutups; }
    void WriteListenChannel(int number) override { listenChannel = number; }
    const TSettings& GlobalSettings() override { return settings; }
    QString ProgramFolder() const override { return folder_; }
    QDateTime Now() override {
        return clockBase.isValid() ? clockBase.addMSecs(sinceSet_.elapsed())
                                   : QDateTime::currentDateTime();
    }
    void AddFile(int number, const QString& fileName) override {
        added << std::make_pair(number, fileName);
    }
    // From now on the clock reads `time` and runs on from there.
    void SetClock(const QDateTime& time) {
        clockBase = time;
        sinceSet_.start();
    }

    TSettings settings;
    QStringList logs, notices, commands;
    QList<std::pair<int, QString>> added;
    int shutups = 0;
    int listenChannel = -2;
    QDateTime clockBase;

private:
    TLanguage language_;
    QString folder_;
    QElapsedTimer sinceSet_;
};

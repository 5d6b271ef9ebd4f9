#pragma once

#include "base/TickCount.h"
#include "base/WorkerPool.h"
#include "codec/ACM.h"
#include "lang/QVLanguage.h"
#include "notify/EventLog.h"
#include "notify/MailQueue.h"
#include "notify/MailSender.h"
#include "program/ProgramPaths.h"
#include "program/SoundDevices.h"
#include "program/StationRegistry.h"
#include "recording/DiskGuard.h"
#include "recording/SavedFiles.h"
#include "settings/AutoStart.h"
#include "settings/FSettings.h"
#include "station/StationHost.h"
#include "web/HttpServer.h"
#include "web/WebStatus.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <memory>

// The program without its windows: what the desktop's main window and the headless
// service both drive. It owns the language engine, the global settings and, as the
// program grows, the stations and the shared queues.
class ProgramCore : public QObject, public StationHost {
    Q_OBJECT
public:
    ProgramCore(ProgramPaths paths, DialogPresenter* presenter);
    ~ProgramCore() override;

    // The first stage of start-up: load the language and set the locale from it.
    // Returns false, after telling the operator, when there is no language file.
    bool Create();
    // The second stage, run once from the first timer tick: settings, sound, stations;
    // then the main tick runs every 100 ms.
    void InitProgram();
    void TickProgram();
    // Brings the web page's listener in line with HTTPPort: started, moved to another
    // port, or stopped (0). A port that cannot be had is logged and tried again on the
    // next call.
    void TryStartHTTPServer();
    // Runs what the web page asked for: every clear, and one command per tick.
    void HTTP_Tick();
    const HttpServer& WebServer() const { return http_; }
    // The test message of the settings dialog, with the values typed there. False,
    // after telling the operator, when a field it needs is empty.
    bool SendTestEmail(const TSettings& typed);
    MailSender& Mailer() { return mailer_; }
    // The end of the settings dialog: saved when confirmed, reloaded in every case;
    // the device choice is looked at again, the buffer applies to new connections and
    // the web page follows its port.
    void SettingsEdited(bool saved);
    // The session's autostart entry of this program.
    AutoStart AutoStartEntry() const;
    // Orderly shutdown; safe to call more than once.
    void Shutdown();

    const ProgramPaths& Paths() const { return paths_; }
    TLanguage& Language() override { return *language_; }
    TSettings& Settings() { return settings_; }
    const FSettings& SettingsStore() const { return store_; }
    const QString& VersionText() const { return versionText_; }
    const QDateTime& StartTime() const { return startTime_; }
    // "Quorvane Tidewell (<version>)".
    QString Caption() const;

    // How stations and guards report: the recent-events list (also logged) and the
    // notices waiting to be mailed.
    void LogEvent(const QString& station, const QString& text) override;
    void QueueNotice(const QString& bcc, const QString& subject, const QString& text) override;
    void RunCommand(const QString& command) override;
    void ListenShutup() override { stations_.Listen_Shutup(); }
    void WriteListenChannel(int number) override { store_.WriteListenChannel(number); }
    const TSettings& GlobalSettings() override { return settings_; }
    QString ProgramFolder() const override;
    void AddFile(int number, const QString& fileName) override;
    WorkerPool& EncodingPool() override { return encoders_; }
    void CheckDiskSoon() override;
    const EventLog& Events() const { return eventLog_; }
    MailQueue& Notices() { return mailQueue_; }
    StationRegistry& Stations() { return stations_; }
    SoundDevices& Devices() { return devices_; }
    // The codec catalogue the station settings dialog offers; exists after InitProgram.
    TACM* Catalogue() { return catalogue_.get(); }
    SavedFiles& SavedFilesList() { return savedFiles_; }
    DiskGuard& Disk() { return disk_; }
    // The root of all recordings, "/"-separated.
    QString RecordingRootPath() const;

private:
    void checkFreeSize();
    void publishSnapshot();
    MailSettings mailSettings(const TSettings& s) const;
    void clearStations(const QString& name);
    int saveFilesDays(int number) const;

    ProgramPaths paths_;
    DialogPresenter* presenter_;
    FSettings store_;
    TSettings settings_;
    std::unique_ptr<TLanguage> language_;
    QString versionText_;
    QDateTime startTime_;
    EventLog eventLog_;
    MailQueue mailQueue_;
    MailSender mailer_{mailQueue_, GetTickCount64Ex};
    SoundDevices devices_{settings_};
    // Outlives the stations, whose last files are tagged on it.
    WorkerPool encoders_;
    StationRegistry stations_{*this, store_, settings_};
    std::unique_ptr<TACM> catalogue_;
    SavedFiles savedFiles_;
    DiskGuard disk_;
    WebStatus web_{versionText_};
    HttpServer http_{web_};
    QTimer tick_;
    bool shutDown_ = false;
};

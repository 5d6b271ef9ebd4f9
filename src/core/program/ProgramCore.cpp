#include "program/ProgramCore.h"

#include "Version.h"
#include "base/Logging.h"
#include "base/TickCount.h"
#include "lang/LocaleTable.h"
#include "notify/RunExec.h"
#include "recording/FileNames.h"
#include "station/StationEngine.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHostInfo>

ProgramCore::ProgramCore(ProgramPaths paths, DialogPresenter* presenter)
    : paths_(std::move(paths)), presenter_(presenter), store_(paths_.settingsFile),
      versionText_(QStringLiteral(TIDEWELL_VERSION)), startTime_(QDateTime::currentDateTime()),
      savedFiles_(
          paths_.savedFilesList, [this](int number) { return saveFilesDays(number); },
          GetTickCount64Ex()),
      disk_(GetTickCount64Ex()) {
    stations_.OnEraseFiles = [this](int number, bool eraseFiles) {
        savedFiles_.EraseFiles(number, eraseFiles, RecordingRootPath());
    };
}

ProgramCore::~ProgramCore() {
    Shutdown();
}

QString ProgramCore::Caption() const {
    return QStringLiteral(TIDEWELL_PRODUCT " (%1)").arg(versionText_);
}

bool ProgramCore::Create() {
    language_ = std::make_unique<TLanguage>(paths_.languagePrefix, presenter_);
    if (!language_->LoadLanguage(paths_.settingsFile, QStringLiteral("Settings"),
                                 QStringLiteral("English.lng"))) {
        language_.reset();
        return false;
    }
    const int locale = language_->GetConstantInt(QStringLiteral("Locale"));
    QLocale::setDefault(LocaleFromWindowsId(locale > 0 ? locale : 1049));
    qCInfo(lcShell).noquote() << "Language" << language_->CurrentFile() << "locale"
                              << QLocale().name();
    return true;
}

void ProgramCore::InitProgram() {
    catalogue_ = std::make_unique<TACM>(ACM_ENCODE, 44100, 2, WAVE_FORMAT_MPEGLAYER3, false);
    catalogue_->RateFilter = true;
    store_.LoadSettings(settings_);
    devices_.OnSoundAvailable = [this](bool present) {
        for (int i = 0; i < stations_.Count(); ++i)
            stations_.At(i)->Set_Sound(present);
    };
    devices_.UpdateSoundCards(GetTickCount64Ex());
    QString fatal;
    devices_.BassInit(&fatal);
    if (!fatal.isEmpty()) {
        qCCritical(lcShell).noquote() << fatal;
        QCoreApplication::exit(1);
        return;
    }
    stations_.ReadStations();
    qCInfo(lcShell) << "Stations:" << stations_.Count();
    TryStartHTTPServer();
    connect(&tick_, &QTimer::timeout, this, &ProgramCore::TickProgram, Qt::UniqueConnection);
    tick_.start(100);
}

void ProgramCore::TickProgram() {
    stations_.DeleteStation();
    stations_.SaveMovedWindows();
    HTTP_Tick();
    if (mailer_.Due())
        mailer_.SendMailStep(mailSettings(settings_));
    checkFreeSize();
    savedFiles_.Work_With_SavedFiles(GetTickCount64Ex(), QDateTime::currentDateTime(),
                                     settings_.RemEmpDir, RecordingRootPath());
    devices_.UpdateSoundCards(GetTickCount64Ex());
    // Only the web server reads the snapshot, and building it for every station is a
    // good part of the tick.
    if (http_.Active())
        publishSnapshot();
}

void ProgramCore::TryStartHTTPServer() {
    publishSnapshot();
    const int port = settings_.HTTPPort;
    if (http_.Active() && http_.Port() == port)
        return;
    if (http_.Port() != port || port <= 0)
        http_.Stop();
    if (port <= 0)
        return;
    QString error;
    if (http_.Start(port, &error))
        qCInfo(lcWeb).noquote()
            << QStringLiteral("web page: http://%1:%2/").arg(QHostInfo::localHostName()).arg(port);
    else
        qCWarning(lcWeb).noquote() << QStringLiteral("web page: ") + error;
}

void ProgramCore::HTTP_Tick() {
    for (const QString& name : web_.TakeClears())
        clearStations(name);
    const std::optional<HttpCommand> command = web_.TakeCommand();
    if (!command || command->Index >= stations_.Count())
        return;
    StationEngine* station = stations_.At(command->Index);
    switch (command->Command) {
    case HttpCommand::Run:
        station->Link_Start();
        break;
    case HttpCommand::Stop:
        if (station->Station().RecState != 0)
            station->Record_Stop();
        station->Link_Stop();
        break;
    case HttpCommand::Record:
        station->Record_Start();
        break;
    case HttpCommand::StopRec:
        station->Record_Stop();
        break;
    }
}

// "*" empties the event log; an empty name clears every station, another name each
// station of that name.
void ProgramCore::clearStations(const QString& name) {
    if (name == u'*') {
        eventLog_.Clear();
        return;
    }
    for (int i = 0; i < stations_.Count(); ++i) {
        TStation& st = stations_.At(i)->Station();
        if (!name.isEmpty() && st.Config.Name != name)
            continue;
        const std::lock_guard lock(st.StatusLock);
        st.Status.ErrorList.clear();
        st.Status.ErrorCount = 0;
    }
}

MailSettings ProgramCore::mailSettings(const TSettings& s) const {
    MailSettings m;
    m.Responser = s.MailResponser;
    m.Sender = s.MailSender;
    m.User = s.MailUser;
    m.Account = {s.MailSMTP, s.MailPort, s.MailUseSSL,    s.MailAuth,
                 s.MailUser, s.MailPass, s.MailVerifyCert};
    m.Charset =
        language_->GetConstant(QStringLiteral("EMailCodePage"), QStringLiteral("windows-1251"))
            .toLatin1();
    return m;
}

bool ProgramCore::SendTestEmail(const TSettings& typed) {
    const std::pair<QString, const char*> fields[] = {{typed.MailResponser, "EMailReceive"},
                                                      {typed.MailSender, "EMailSender"},
                                                      {typed.MailSMTP, "EMailSMTP"},
                                                      {typed.MailUser, "EMailUser"}};
    for (const auto& [value, key] : fields) {
        if (value.trimmed().isEmpty()) {
            language_->ShowDialog(QLatin1String(key), DialogType::Error);
            return false;
        }
    }
    mailer_.SendTestEmail(mailSettings(typed), language_->GetMessage(QStringLiteral("TestMSG")));
    return true;
}

void ProgramCore::publishSnapshot() {
    auto snap = std::make_shared<WebSnapshot>();
    const QDateTime now = QDateTime::currentDateTime();
    snap->NowText = ShownTime(now);
    snap->StartText = ShownTime(startTime_);
    snap->UpSeconds = startTime_.secsTo(now);
    snap->VersionText = versionText_;
    snap->FreeBytes = disk_.FreeBytes;
    snap->HTTPRefresh = settings_.HTTPRefresh;
    snap->HTTPEnableClear = settings_.HTTPEnableClear;
    snap->HTTPUser = settings_.HTTPUser;
    snap->HTTPPass = settings_.HTTPPass;
    snap->Stations.reserve(size_t(stations_.Count()));
    for (int i = 0; i < stations_.Count(); ++i)
        snap->Stations.push_back(SnapshotOf(*stations_.At(i), now));
    snap->Events = eventLog_.Entries();
    web_.Publish(std::move(snap));
}

void ProgramCore::SettingsEdited(bool saved) {
    if (saved && !store_.SaveSettings(settings_))
        qCWarning(lcShell).noquote() << "The settings could not be saved to" << store_.fileName();
    store_.LoadSettings(settings_);
    if (saved)
        devices_.NextDevicePoll = GetTickCount64Ex();
    devices_.ApplyNetworkOptions();
    for (int i = 0; i < stations_.Count(); ++i)
        stations_.At(i)->Station().BufferTimeout = settings_.Buffer;
    TryStartHTTPServer();
}

AutoStart ProgramCore::AutoStartEntry() const {
    return AutoStart::ForSession(paths_.programPath,
                                 {QStringLiteral("--config"), paths_.settingsFile});
}

void ProgramCore::checkFreeSize() {
    bool recording = false;
    for (int i = 0; i < stations_.Count() && !recording; ++i)
        // A station held by a failed write still wants to record.
        recording = stations_.At(i)->Station().RecState != 0;
    const DiskGuard::Outcome outcome = disk_.Check_Free_Size(
        GetTickCount64Ex(), RecordingRootPath(), settings_.Available, recording);
    if (outcome.becameLow) {
        const QString text =
            language_->GetMessage(QStringLiteral("FreeSpace"), QString(), {disk_.Drive()});
        qCWarning(lcShell).noquote() << text;
        QueueNotice(QString(), QStringLiteral("Tidewell"), text);
    }
    if (outcome.handOut)
        for (int i = 0; i < stations_.Count(); ++i)
            stations_.At(i)->Station().LessSize = disk_.SpaceLow;
}

int ProgramCore::saveFilesDays(int number) const {
    const int index = stations_.GetStation_Index(number);
    return index < 0 ? -1 : stations_.At(index)->Station().Config.SaveFiles;
}

QString ProgramCore::ProgramFolder() const {
    // The folder of the settings, where the default root lies too.
    return QFileInfo(paths_.settingsFile).absolutePath();
}

QString ProgramCore::RecordingRootPath() const {
    return RecordingRoot(settings_.Root, ProgramFolder());
}

void ProgramCore::AddFile(int number, const QString& fileName) {
    savedFiles_.AddFile(number, fileName, GetTickCount64Ex(), QDateTime::currentDateTime());
}

void ProgramCore::CheckDiskSoon() {
    disk_.NextDiskCheck = GetTickCount64Ex();
}

void ProgramCore::Shutdown() {
    if (shutDown_ || !language_)
        return;
    shutDown_ = true;
    tick_.stop();
    http_.Stop();
    stations_.CloseAll();
    catalogue_.reset();
    savedFiles_.RecAddFiles();
    qCInfo(lcShell) << "Shut down";
}

void ProgramCore::LogEvent(const QString& station, const QString& text) {
    eventLog_.LogEvent(station, text);
    qCInfo(lcShell).noquote() << station + QStringLiteral(": ") + text;
}

void ProgramCore::RunCommand(const QString& command) {
    RunExec(command);
}

void ProgramCore::QueueNotice(const QString& bcc, const QString& subject, const QString& text) {
    mailQueue_.QueueNotice(bcc, subject, text);
}

#include "shell/ProgramCore.h"

#include "Version.h"
#include "lang/LocaleTable.h"
#include "shell/Logging.h"
#include "shell/TickCount.h"
#include "station/RunExec.h"
#include "station/StationEngine.h"

#include <QCoreApplication>

ProgramCore::ProgramCore(ProgramPaths paths, DialogPresenter* presenter)
    : paths_(std::move(paths)), presenter_(presenter), store_(paths_.settingsFile),
      versionText_(QStringLiteral(TIDEWELL_VERSION)), startTime_(QDateTime::currentDateTime()) {}

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
    store_.LoadSettings(settings_);
    devices_.OnSoundAvailable = [this](bool present) {
        for (int i = 0; i < stations_.Count(); ++i)
            stations_.At(i)->_Set_Sound(present);
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
    connect(&tick_, &QTimer::timeout, this, &ProgramCore::TickProgram, Qt::UniqueConnection);
    tick_.start(100);
}

void ProgramCore::TickProgram() {
    stations_.DeleteStation();
    devices_.UpdateSoundCards(GetTickCount64Ex());
}

void ProgramCore::Shutdown() {
    if (shutDown_ || !language_)
        return;
    shutDown_ = true;
    tick_.stop();
    stations_.CloseAll();
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

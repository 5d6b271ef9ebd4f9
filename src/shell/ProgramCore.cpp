#include "shell/ProgramCore.h"

#include "Version.h"
#include "lang/LocaleTable.h"
#include "shell/Logging.h"

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
}

void ProgramCore::Shutdown() {
    if (shutDown_ || !language_)
        return;
    shutDown_ = true;
    qCInfo(lcShell) << "Shut down";
}

void ProgramCore::LogEvent(const QString& station, const QString& text) {
    eventLog_.LogEvent(station, text);
    qCInfo(lcShell).noquote() << station + QStringLiteral(": ") + text;
}

void ProgramCore::QueueNotice(const QString& bcc, const QString& subject, const QString& text) {
    mailQueue_.QueueNotice(bcc, subject, text);
}

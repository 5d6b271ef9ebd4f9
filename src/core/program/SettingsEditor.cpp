#include "program/SettingsEditor.h"

#include "lang/LocaleTable.h"
#include "lang/QVLanguage.h"
#include "settings/FSettings.h"

#include <QLocale>

#include <cmath>

SettingsEditor::SettingsEditor(TLanguage& language, TSettings& settings, AutoStart autoStart,
                               QStringList deviceList)
    : language_(language), settings_(settings), autoStart_(std::move(autoStart)),
      deviceList_(std::move(deviceList)) {}

SettingsForm SettingsEditor::FullScreenParm() const {
    const TSettings& s = settings_;
    SettingsForm f;
    f.languages = language_.GetLanguageNames();
    f.language = language_.FindLanguage(s.Language);
    f.buffer = int(std::lround(s.Buffer * 10));
    f.root = s.Root;
    f.fileNames = s.FileNames;
    f.remEmpDir = s.RemEmpDir;
    f.responser = s.MailResponser;
    f.sender = s.MailSender;
    f.smtp = s.MailSMTP;
    f.mailPort = s.MailPort;
    f.useSSL = s.MailUseSSL;
    f.auth = s.MailAuth;
    f.verifyCert = s.MailVerifyCert;
    f.mailUser = s.MailUser;
    f.mailPass = s.MailPass;
    f.inTray = s.InTray;
    f.autoStart = autoStart_.IsAutoStart();
    f.httpPort = s.HTTPPort;
    f.httpEnableClear = s.HTTPEnableClear;
    f.httpUser = s.HTTPUser;
    f.httpPass = s.HTTPPass;
    f.httpRefresh = s.HTTPRefresh;
    f.available = s.Available;
    f.devices = deviceList_;
    f.device = 0;
    if (s.DeviceIndex > 0) {
        for (int i = 1; i < deviceList_.size() && f.device == 0; ++i)
            if (deviceList_[i].compare(s.DeviceName, Qt::CaseInsensitive) == 0)
                f.device = i;
    }
    return f;
}

QString SettingsEditor::BufferText(int slider) {
    return QStringLiteral("%1 sec").arg(QLocale().toString(slider / 10.0, 'f', 1), 3);
}

bool SettingsEditor::ApplySettings(const SettingsForm& form) {
    if (!form.fileNames.contains(QLatin1String("RR")) &&
        language_.ShowDialog(QStringLiteral("PathFileName"), DialogType::Confirmation, {},
                             QString(), DialogButton::Yes | DialogButton::No) != DialogButton::Yes)
        return false;
    if (form.root.isEmpty()) {
        language_.ShowDialog(QStringLiteral("RootPath"), DialogType::Error);
        return false;
    }
    settings_ = Typed(form);
    return true;
}

TSettings SettingsEditor::Typed(const SettingsForm& form) const {
    TSettings s = settings_;
    s.Root = form.root;
    s.InTray = form.inTray;
    s.Buffer = form.buffer / 10.0;
    s.DeviceName = form.device >= 1 ? form.devices.value(form.device) : QString();
    s.FileNames = form.fileNames;
    s.MailResponser = form.responser;
    s.MailSender = form.sender;
    s.MailSMTP = form.smtp;
    s.MailPort = form.mailPort;
    s.MailUseSSL = form.useSSL;
    s.MailAuth = form.auth;
    s.MailVerifyCert = form.verifyCert;
    s.MailUser = form.mailUser;
    s.MailPass = form.mailPass;
    s.HTTPPort = form.httpPort;
    s.HTTPEnableClear = form.httpEnableClear;
    s.HTTPUser = form.httpUser;
    s.HTTPPass = form.httpPass;
    s.HTTPRefresh = form.httpRefresh;
    s.Available = form.available;
    s.RemEmpDir = form.remEmpDir;
    if (form.language >= 0)
        s.Language = language_.GetLanguageFile(form.language);
    return s;
}

bool SettingsEditor::CB_LanguageChange(int index) {
    if (index < 0 || !language_.SelectLanguage(index))
        return false;
    QLocale::setDefault(LocaleFromWindowsId(language_.GetConstantInt(QStringLiteral("Locale"))));
    return true;
}

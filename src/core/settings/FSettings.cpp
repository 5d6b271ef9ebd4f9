#include "settings/FSettings.h"

#include "settings/IniFile.h"
#include "settings/PasswordScrambler.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString kSection = QStringLiteral("Settings");
}

FSettings::FSettings(QString settingsFile) : file_(std::move(settingsFile)) {}

QString FSettings::DefaultRoot() const {
    return QDir(QFileInfo(file_).absolutePath()).filePath(QStringLiteral("Record"));
}

void FSettings::LoadSettings(TSettings& s) const {
    const IniDocument ini = IniFile(file_).load();
    const TSettings d;
    auto str = [&](const char* key, const QString& def) {
        return ini.readString(kSection, QLatin1String(key), def);
    };
    auto num = [&](const char* key, int def) {
        return ini.readInteger(kSection, QLatin1String(key), def);
    };
    auto flag = [&](const char* key, bool def) {
        return ini.readBool(kSection, QLatin1String(key), def);
    };
    s.Buffer = ini.readFloat(kSection, QStringLiteral("Buffer"), d.Buffer);
    s.Language = str("Language", d.Language);
    s.DeviceName = str("DeviceName", d.DeviceName);
    s.InTray = flag("InTray", d.InTray);
    s.RemEmpDir = flag("RemEmpDir", d.RemEmpDir);
    s.Available = num("Available", d.Available);
    s.Root = str("Root", DefaultRoot());
    s.FileNames = str("FileNames", d.FileNames);
    s.MailResponser = str("MailResponser", d.MailResponser);
    s.MailSender = str("MailSender", d.MailSender);
    s.MailSMTP = str("MailSMTP", d.MailSMTP);
    s.MailPort = num("MailPort", d.MailPort);
    s.MailUseSSL = flag("MailUseSSL", d.MailUseSSL);
    s.MailAuth = flag("MailAuth", d.MailAuth);
    s.MailUser = str("MailUser", d.MailUser);
    s.MailPass = PasswordScrambler::Unscramble(str("MailPass", QString()));
    s.MailVerifyCert = flag("MailVerifyCert", d.MailVerifyCert);
    s.HTTPPort = num("HTTPPort", d.HTTPPort);
    s.HTTPEnableClear = flag("HTTPEnableClear", d.HTTPEnableClear);
    s.HTTPUser = str("HTTPUser", d.HTTPUser);
    s.HTTPPass = PasswordScrambler::Unscramble(str("HTTPPass", QString()));
    s.HTTPRefresh = num("HTTPRefresh", d.HTTPRefresh);
}

bool FSettings::SaveSettings(const TSettings& s) const {
    return IniFile(file_).edit([&](IniDocument& ini) {
        auto str = [&](const char* key, const QString& v) {
            ini.writeString(kSection, QLatin1String(key), v);
        };
        auto num = [&](const char* key, int v) {
            ini.writeInteger(kSection, QLatin1String(key), v);
        };
        auto flag = [&](const char* key, bool v) {
            ini.writeBool(kSection, QLatin1String(key), v);
        };
        ini.writeFloat(kSection, QStringLiteral("Buffer"), s.Buffer);
        str("Language", s.Language);
        str("DeviceName", s.DeviceName);
        flag("InTray", s.InTray);
        flag("RemEmpDir", s.RemEmpDir);
        num("Available", s.Available);
        str("Root", s.Root);
        str("FileNames", s.FileNames);
        str("MailResponser", s.MailResponser);
        str("MailSender", s.MailSender);
        str("MailSMTP", s.MailSMTP);
        num("MailPort", s.MailPort);
        flag("MailUseSSL", s.MailUseSSL);
        flag("MailAuth", s.MailAuth);
        str("MailUser", s.MailUser);
        str("MailPass", PasswordScrambler::Scramble(s.MailPass));
        flag("MailVerifyCert", s.MailVerifyCert);
        num("HTTPPort", s.HTTPPort);
        flag("HTTPEnableClear", s.HTTPEnableClear);
        str("HTTPUser", s.HTTPUser);
        str("HTTPPass", PasswordScrambler::Scramble(s.HTTPPass));
        num("HTTPRefresh", s.HTTPRefresh);
    });
}

QRect FSettings::LoadMainWindowPos(const QSize& screen) const {
    const IniDocument ini = IniFile(file_).load();
    int left = ini.readInteger(kSection, QStringLiteral("Left"), 0);
    int top = ini.readInteger(kSection, QStringLiteral("Top"), 0);
    int width = ini.readInteger(kSection, QStringLiteral("Width"), 800);
    int height = ini.readInteger(kSection, QStringLiteral("Height"), 600);
    if (left < 0 || left >= screen.width() - 10)
        left = 0;
    if (top < 0 || top >= screen.height() - 40)
        top = 0;
    if (width <= 309 || left + width > screen.width())
        width = screen.width() - left;
    if (height <= 139 || top + height > screen.height())
        height = screen.height() - top;
    return QRect(left, top, width, height);
}

void FSettings::SaveMainWindowPos(const QRect& bounds) const {
    IniFile(file_).edit([&](IniDocument& ini) {
        ini.writeInteger(kSection, QStringLiteral("Left"), bounds.left());
        ini.writeInteger(kSection, QStringLiteral("Top"), bounds.top());
        ini.writeInteger(kSection, QStringLiteral("Width"), bounds.width());
        ini.writeInteger(kSection, QStringLiteral("Height"), bounds.height());
    });
}

int FSettings::ReadListenChannel() const {
    return IniFile(file_).load().readInteger(kSection, QStringLiteral("ListenChannel"), -1);
}

bool FSettings::WriteListenChannel(int number) const {
    return IniFile(file_).edit([&](IniDocument& ini) {
        ini.writeInteger(kSection, QStringLiteral("ListenChannel"), number);
    });
}

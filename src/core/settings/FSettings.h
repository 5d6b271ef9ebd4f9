#pragma once

#include <QRect>
#include <QSize>
#include <QString>

// The one global settings record. Every subsystem reads its fields directly.
struct TSettings {
    double Buffer = 1.0; // network buffer length, seconds
    int DeviceIndex = 0; // chosen output device; not stored
    QString Language = QStringLiteral("English.lng");
    QString DeviceName; // output device for listening; empty = no sound
    bool InTray = false;
    bool RemEmpDir = false;
    int Available = 16; // free-space limit, megabytes; 0 = off
    QString Root;       // root folder of all recordings
    QString FileNames = QStringLiteral("RR\\yyyy\\mmmm\\dd\\HH-MM-SS");
    QString MailResponser;
    QString MailSender;
    QString MailSMTP;
    int MailPort = 25;
    bool MailUseSSL = false;
    bool MailAuth = false;
    QString MailUser;
    QString MailPass;
    bool MailVerifyCert = true; // check the mail server's TLS certificate
    int HTTPPort = 8070;
    bool HTTPEnableClear = true;
    QString HTTPUser;
    QString HTTPPass;
    int HTTPRefresh = 0;
};

// Storage of the "Settings" section of the settings file.
class FSettings {
public:
    explicit FSettings(QString settingsFile);

    const QString& fileName() const { return file_; }
    // The folder the recordings go to when nothing else is set: "Record" beside
    // the settings file.
    QString DefaultRoot() const;

    void LoadSettings(TSettings& s) const;
    bool SaveSettings(const TSettings& s) const;

    // The stored window bounds, pulled back onto a screen of the given size.
    QRect LoadMainWindowPos(const QSize& screen) const;
    void SaveMainWindowPos(const QRect& bounds) const;

    int ReadListenChannel() const;
    bool WriteListenChannel(int number) const;

private:
    QString file_;
};

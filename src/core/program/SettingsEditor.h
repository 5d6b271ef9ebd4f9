#pragma once

#include "settings/AutoStart.h"

#include <QString>
#include <QStringList>

class TLanguage;
struct TSettings;

// What the global settings dialog's controls hold.
struct SettingsForm {
    QStringList devices; // "--- No sound ---" first
    int device = 0;
    QString root, fileNames;
    bool remEmpDir = false;
    QString responser, sender, smtp;
    int mailPort = 25;
    bool useSSL = false, auth = false, verifyCert = true;
    QString mailUser, mailPass;
    int buffer = 10; // the slider: tenths of a second
    bool inTray = false, autoStart = false;
    int httpPort = 8070;
    bool httpEnableClear = true;
    QString httpUser, httpPass;
    int httpRefresh = 0;
    int available = 16;
    QStringList languages;
    int language = -1; // -1 when none is selected
};

// The global settings dialog without its widgets: it fills the controls from the
// settings record, checks what the operator entered and stores it in the record.
// Saving the record to the file is the caller's step.
class SettingsEditor {
public:
    SettingsEditor(TLanguage& language, TSettings& settings, AutoStart autoStart,
                   QStringList deviceList);

    SettingsForm FullScreenParm() const;
    // The buffer slider's label: "%3.1f sec" of its value in seconds.
    static QString BufferText(int slider);
    // The port that goes with switching TLS on or off.
    static int CBUseSSLClick(bool checked) { return checked ? 465 : 25; }
    // Asks about a template without "RR" and refuses an empty root; true when the
    // record now holds the form's values.
    bool ApplySettings(const SettingsForm& form);
    // Applied at once, whatever becomes of the dialog.
    bool CBAutoStartClick(bool on) const { return autoStart_.SetAutoStart(on); }
    // Switches the language and the locale now; the stored choice changes only on save.
    bool CB_LanguageChange(int index);
    // The record as the form would leave it, for a test message with what was typed.
    TSettings Typed(const SettingsForm& form) const;

private:
    TLanguage& language_;
    TSettings& settings_;
    AutoStart autoStart_;
    QStringList deviceList_;
};

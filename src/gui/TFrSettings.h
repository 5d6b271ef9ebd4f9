#pragma once

#include "program/SettingsEditor.h"

#include <QDialog>

class ProgramCore;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;

// The global settings dialog: its controls show and collect a SettingsForm; the
// SettingsEditor decides everything else. Closes with 1 (saved) or -1 (cancelled).
class TFrSettings : public QDialog {
    Q_OBJECT
public:
    explicit TFrSettings(ProgramCore& core, QWidget* parent = nullptr);

    SettingsForm Form() const;

    // The controls, for tests that click through the dialog.
    QComboBox *CBDevice, *CB_Language;
    QLineEdit *DERoot, *EFileNames, *EResp, *ESender, *ESMTP, *EUser, *EPass;
    QLineEdit *EHTTPUser, *EHTTPPass;
    QToolButton *SBRootBrowse, *SBTestFileName;
    QCheckBox *CBRemEmpDir, *CBUseSSL, *CBVerifyCert, *CBAuth, *CBShowPass, *CBInTray, *CBAutoStart;
    QCheckBox *CBHTTPEnableClear, *CBHTTPShowPass;
    QSpinBox *RxPort, *EHTTPPort, *EHTTPRefresh, *EAvailable;
    QSlider* SlidBuffer;
    QLabel* LabBuffer;
    QPushButton *SBTestMSG, *SBSave, *SBCancel;

private:
    void FormCreate();
    QWidget* buildLeft();
    QWidget* buildRight();
    QWidget* buildMail(QWidget* parent);
    QWidget* buildHttp(QWidget* parent);
    void FullScreenParm();
    void SlidBufferChange();
    void SBSaveClick();
    void SBTestFileNameClick();
    void SBTestMSGClick();
    void CB_LanguageChange();

    ProgramCore& core_;
    SettingsEditor editor_;
};

// Runs the dialog; after it the settings are saved (when confirmed) and reloaded, and
// the program follows them. Returns whether the operator saved.
bool EditSettings(ProgramCore& core, QWidget* parent);

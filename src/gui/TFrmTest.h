#pragma once

#include <QDialog>

class QListWidget;
class QLineEdit;
class QPushButton;
class TLanguage;

// Previews a file-name template: every change shows the name a file started now
// would get, "RR" standing for the station's folder.
class TFrmTest : public QDialog {
    Q_OBJECT
public:
    TFrmTest(const TLanguage& language, const QString& tmpl, QWidget* parent = nullptr);

    QLineEdit *EFormat, *ERes;
    QListWidget* LBTokens;
    QPushButton *SBOk, *SBCancel;

private:
    void EFormatChange();
};

// Shows the preview with the template; on OK the template becomes what was typed.
bool TestFileName(const TLanguage& language, QString& tmpl, QWidget* parent);

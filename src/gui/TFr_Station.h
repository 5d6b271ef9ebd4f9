#pragma once

#include "station/LedMetter.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QToolButton;
class LedMeterView;
class StationEngine;

// A station's window: it shows what its engine holds (status word and line, name and
// title, buffer, formats, level and detector bars) and forwards the clicks. It has a
// fixed size.
class TFr_Station : public QWidget {
    Q_OBJECT
public:
    explicit TFr_Station(StationEngine& engine, QWidget* parent = nullptr);

    StationEngine& Engine() { return engine_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // The settings button: the main window runs the settings dialog.
    void settingsRequested(StationEngine* engine);

private:
    void build();
    void refresh();
    void showStatusWord();
    void showButtons();
    void showBars();
    void SBLinkClick();
    void Show_Level();
    void resetMeter();
    void ImgLedClick();

    StationEngine& engine_;
    QLabel* PanStatus;
    QToolButton* SBLink;
    QToolButton* SBR;
    QToolButton* SBSetting;
    QToolButton* SBOpen;
    QToolButton* SBListen;
    QWidget* HDListen;
    QWidget* PanListen;
    QLabel* LStation;
    QLabel* LTitle;
    QLabel* LStatus;
    QProgressBar* GBuffer;
    QLabel* E_InFreq;
    QLabel* E_InBitrate;
    QLabel* E_InCh;
    QLabel* E_OutFreq;
    QLabel* E_OutBitrate;
    QLabel* E_OutCh;
    QLabel* ImgTo;
    LedMeterView* ImgLed;
    LevelState level_;
    QLabel* ImgSilence;
    QLabel* ImgConnect;
};

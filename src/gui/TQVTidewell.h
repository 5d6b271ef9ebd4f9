#pragma once

#include "gui/TFr_Email.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <map>

class ProgramCore;
class QMdiArea;
class QMdiSubWindow;
class QSystemTrayIcon;
class StationEngine;
class TFr_Station;

// The main window: a multiple-document area holding one window per station. It
// shows the core's state and forwards the operator's actions; the two-stage start-up
// runs on its timer.
class TQVTidewell : public QMainWindow {
    Q_OBJECT
public:
    explicit TQVTidewell(ProgramCore& core, QWidget* parent = nullptr);
    ~TQVTidewell() override;

    // The menu's actions.
    void AddStationClick();
    void MainsettingsClick();
    void OrderClick();
    // Brings the window back from the tray or from behind others.
    void RestoreWindow();
    // The desktop session ends: close without asking.
    void SessionEnding();
    TFr_Station* StationWindow(StationEngine* engine) const;
    QMdiArea* Area() const { return mdi_; }
    // The mail progress window; not shown while the program sits in the tray.
    void ShowMailProgress(const QString& text, const QString& heading);
    void CloseMailProgress();
    TFr_Email* MailWindow() const { return mailWindow_; }

    // The station settings dialog for a station, as its settings button runs it.
    void EditStation(StationEngine* engine);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void InitProgram();
    void addStationWindow(StationEngine* engine);
    void removeStationWindow(StationEngine* engine);
    void OnMinimized();

    ProgramCore& core_;
    QMdiArea* mdi_;
    QSystemTrayIcon* RTIcon;
    QTimer TimerNuclear;
    bool AskOnClose = true;
    bool closed_ = false;
    std::map<StationEngine*, QMdiSubWindow*> windows_;
    QPointer<TFr_Email> mailWindow_;
};

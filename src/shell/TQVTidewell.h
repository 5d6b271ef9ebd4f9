#pragma once

#include <QMainWindow>
#include <QTimer>

class ProgramCore;
class QMdiArea;

// The main window: a multiple-document area that will hold the station windows.
// It shows the core's state and forwards the operator's actions; the two-stage
// start-up runs on its timer.
class TQVTidewell : public QMainWindow {
    Q_OBJECT
public:
    explicit TQVTidewell(ProgramCore& core, QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void InitProgram();

    ProgramCore& core_;
    QMdiArea* mdi_;
    QTimer TimerNuclear;
};

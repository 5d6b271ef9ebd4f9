#include "shell/TQVTidewell.h"

#include "shell/ProgramCore.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QScreen>

TQVTidewell::TQVTidewell(ProgramCore& core, QWidget* parent)
    : QMainWindow(parent), core_(core), mdi_(new QMdiArea(this)) {
    setObjectName(QStringLiteral("QVTidewell"));
    setCentralWidget(mdi_);
    setWindowTitle(core_.Caption());
    setMinimumSize(330, 200);
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    const QRect bounds = core_.SettingsStore().LoadMainWindowPos(screen);
    move(bounds.topLeft());
    resize(bounds.size());
    TimerNuclear.setInterval(100);
    TimerNuclear.setSingleShot(true);
    connect(&TimerNuclear, &QTimer::timeout, this, &TQVTidewell::InitProgram);
    TimerNuclear.start();
}

void TQVTidewell::InitProgram() {
    core_.InitProgram();
}

void TQVTidewell::closeEvent(QCloseEvent* event) {
    TimerNuclear.stop();
    core_.Shutdown();
    core_.SettingsStore().SaveMainWindowPos(QRect(pos(), size()));
    event->accept();
}

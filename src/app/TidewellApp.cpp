#include "app/TidewellApp.h"

#include "gui/TQVTidewell.h"

#include <QGuiApplication>

TidewellApp::TidewellApp(const ProgramPaths& paths)
    : core_(paths, &presenter_), instance_(paths.settingsFile) {}

TidewellApp::~TidewellApp() = default;

std::optional<int> TidewellApp::Start() {
    if (!instance_.Claim())
        return 0;
    if (!core_.Create())
        return 1;
    window_ = std::make_unique<TQVTidewell>(core_);
    presenter_.SetParent(window_.get());
    QObject::connect(&instance_, &SingleInstance::activationRequested, window_.get(),
                     &TQVTidewell::RestoreWindow);
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, window_.get(),
                     &TQVTidewell::SessionEnding);
    // A stop from outside closes like the end of a session, hidden window or not.
    QObject::connect(&stopSignals_, &StopSignals::stopRequested, window_.get(), [this] {
        window_->SessionEnding();
        QCoreApplication::quit();
    });
    window_->show();
    return std::nullopt;
}

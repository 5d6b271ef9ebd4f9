#include "app/TidewellApp.h"

#include "shell/TQVTidewell.h"

TidewellApp::TidewellApp(const ProgramPaths& paths) : core_(paths, &presenter_) {}

TidewellApp::~TidewellApp() = default;

bool TidewellApp::Start() {
    if (!core_.Create())
        return false;
    window_ = std::make_unique<TQVTidewell>(core_);
    presenter_.SetParent(window_.get());
    window_->show();
    return true;
}

#pragma once

#include "app/StopSignals.h"
#include "gui/MessageBoxPresenter.h"
#include "program/ProgramCore.h"
#include "program/SingleInstance.h"

#include <memory>
#include <optional>

class TQVTidewell;

// The desktop program: the core with its main window.
class TidewellApp {
public:
    explicit TidewellApp(const ProgramPaths& paths);
    ~TidewellApp();

    // Nothing when the program runs; otherwise its exit code: 1 when it cannot start
    // (no language file), 0 when another copy runs on the same settings and was
    // brought forward instead.
    std::optional<int> Start();

private:
    MessageBoxPresenter presenter_;
    ProgramCore core_;
    SingleInstance instance_;
    std::unique_ptr<TQVTidewell> window_;
    StopSignals stopSignals_;
};

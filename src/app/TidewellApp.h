#pragma once

#include "lang/MessageBoxPresenter.h"
#include "shell/ProgramCore.h"

#include <memory>

class TQVTidewell;

// The desktop program: the core with its main window.
class TidewellApp {
public:
    explicit TidewellApp(const ProgramPaths& paths);
    ~TidewellApp();

    // Returns false when the program cannot start (no language file).
    bool Start();

private:
    MessageBoxPresenter presenter_;
    ProgramCore core_;
    std::unique_ptr<TQVTidewell> window_;
};

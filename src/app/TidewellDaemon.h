#pragma once

#include "app/StopSignals.h"
#include "lang/DialogRequest.h"
#include "program/ProgramCore.h"
#include "program/SingleInstance.h"

#include <QObject>

// The headless program: the core on a QCoreApplication, logging to standard error,
// running until SIGINT or SIGTERM.
class TidewellDaemon : public QObject {
    Q_OBJECT
public:
    explicit TidewellDaemon(const ProgramPaths& paths);
    ~TidewellDaemon() override;

    // Returns false when the program cannot start (no language file, or another Tidewell
    // already works on the same settings file).
    bool Start();

private:
    void onSignal();

    LogDialogPresenter presenter_;
    ProgramCore core_;
    SingleInstance instance_;
    StopSignals stopSignals_;
};

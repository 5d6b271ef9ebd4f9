#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

// SIGINT and SIGTERM (Ctrl+C, kill, a logout, a service stop) as one Qt signal on the
// event loop's thread, so that the program can shut down in order: files closed with
// their tags, the saved-files list written. Only one instance may exist.
class StopSignals : public QObject {
    Q_OBJECT
public:
    StopSignals();
    ~StopSignals() override;

Q_SIGNALS:
    void stopRequested();

private:
    void onSignal();

    std::unique_ptr<QSocketNotifier> notifier_;
};

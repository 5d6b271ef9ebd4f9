#include "app/StopSignals.h"

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Signals arrive on any thread at any moment; the handler only writes a byte that
// the event loop then reads (the self-pipe pattern).
int gSignalPipe[2] = {-1, -1};

void onUnixSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[0], &byte, 1);
}

} // namespace

StopSignals::StopSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(gSignalPipe[1], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &StopSignals::onSignal);
    struct sigaction action = {};
    action.sa_handler = onUnixSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

StopSignals::~StopSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

void StopSignals::onSignal() {
    char byte = 0;
    [[maybe_unused]] const ssize_t n = ::read(gSignalPipe[1], &byte, 1);
    // One orderly stop; a second signal while it runs changes nothing.
    notifier_->setEnabled(false);
    Q_EMIT stopRequested();
}

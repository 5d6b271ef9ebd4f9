#include "app/TidewellDaemon.h"

#include "base/Logging.h"

#include <QCoreApplication>
#include <QTimer>

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

TidewellDaemon::TidewellDaemon(const ProgramPaths& paths)
    : core_(paths, &presenter_), instance_(paths.settingsFile) {}

TidewellDaemon::~TidewellDaemon() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

bool TidewellDaemon::Start() {
    qCInfo(lcShell).noquote() << core_.Caption() << "starting headless, settings"
                              << core_.Paths().settingsFile;
    // Two programs on one settings file would record the same stations into the same files.
    if (!instance_.Claim())
        return false;
    if (!core_.Create())
        return false;
    // No window shows how mail goes: the log does.
    connect(&core_.Mailer(), &MailSender::ShowMailProgress, this,
            [](const QString& text, const QString& heading) {
                QStringList parts{heading, text};
                parts.removeAll(QString());
                qCInfo(lcMail).noquote() << parts.join(QLatin1String(": "));
            });
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) == 0) {
        signalNotifier_ = std::make_unique<QSocketNotifier>(gSignalPipe[1], QSocketNotifier::Read);
        connect(signalNotifier_.get(), &QSocketNotifier::activated, this,
                &TidewellDaemon::onSignal);
        struct sigaction action = {};
        action.sa_handler = onUnixSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    }
    // The second start-up stage runs from the event loop, as the desktop's first tick.
    QTimer::singleShot(100, this, [this] { core_.InitProgram(); });
    return true;
}

void TidewellDaemon::onSignal() {
    char byte = 0;
    [[maybe_unused]] const ssize_t n = ::read(gSignalPipe[1], &byte, 1);
    signalNotifier_->setEnabled(false);
    qCInfo(lcShell) << "Stop requested";
    core_.Shutdown();
    QCoreApplication::quit();
}

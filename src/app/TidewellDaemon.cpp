#include "app/TidewellDaemon.h"

#include "base/Logging.h"

#include <QCoreApplication>
#include <QTimer>

TidewellDaemon::TidewellDaemon(const ProgramPaths& paths)
    : core_(paths, &presenter_), instance_(paths.settingsFile) {}

TidewellDaemon::~TidewellDaemon() = default;

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
    connect(&stopSignals_, &StopSignals::stopRequested, this, &TidewellDaemon::onSignal);
    // The second start-up stage runs from the event loop, as the desktop's first tick.
    QTimer::singleShot(100, this, [this] { core_.InitProgram(); });
    return true;
}

void TidewellDaemon::onSignal() {
    qCInfo(lcShell) << "Stop requested";
    core_.Shutdown();
    QCoreApplication::quit();
}

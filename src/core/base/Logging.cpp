#include "base/Logging.h"

#include <QDateTime>

#include <cstdio>

Q_LOGGING_CATEGORY(lcShell, "tidewell.shell")
Q_LOGGING_CATEGORY(lcLang, "tidewell.lang")
Q_LOGGING_CATEGORY(lcWeb, "tidewell.web")
Q_LOGGING_CATEGORY(lcMail, "tidewell.mail")
Q_LOGGING_CATEGORY(lcStream, "tidewell.stream")
Q_LOGGING_CATEGORY(lcFiles, "tidewell.files")

namespace {

void writeLine(QtMsgType type, const QMessageLogContext&, const QString& message) {
    static const char* const kLevel[] = {"debug", "warning", "critical", "fatal", "info"};
    const QByteArray line =
        (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) +
         QLatin1String(" ") + QLatin1String(kLevel[type]) + QLatin1String(": ") + message + u'\n')
            .toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace

void InstallTimestampedLog() {
    qInstallMessageHandler(writeLine);
}

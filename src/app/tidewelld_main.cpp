#include "Version.h"
#include "app/TidewellDaemon.h"
#include "base/Logging.h"
#include "codec/CodecList.h"
#include "program/CommandLine.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    const CommandLine cmd = CommandLine::Parse(
        argc, argv, QStringLiteral("Records internet radio stations without a display."), true);
    if (cmd.listCodecs) {
        for (const QString& line : CodecListLines(cmd.rate, cmd.channels))
            std::puts(line.toLocal8Bit().constData());
        return 0;
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral(TIDEWELL_PRODUCT));
    QCoreApplication::setApplicationVersion(QStringLiteral(TIDEWELL_VERSION));
    InstallTimestampedLog();
    TidewellDaemon daemon(
        ProgramPaths::Resolve(QCoreApplication::applicationFilePath(), cmd.configFile));
    if (!daemon.Start())
        return 1;
    return QCoreApplication::exec();
}

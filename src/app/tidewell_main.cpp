#include "Version.h"
#include "app/TidewellApp.h"
#include "shell/CommandLine.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral(TIDEWELL_PRODUCT));
    QApplication::setApplicationDisplayName(QStringLiteral(TIDEWELL_PRODUCT));
    QApplication::setApplicationVersion(QStringLiteral(TIDEWELL_VERSION));
    const CommandLine cmd =
        CommandLine::Parse(app, QStringLiteral("Records internet radio stations."));
    TidewellApp program(
        ProgramPaths::Resolve(QApplication::applicationFilePath(), cmd.configFile));
    if (!program.Start())
        return 1;
    return QApplication::exec();
}

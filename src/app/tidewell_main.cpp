#include "Version.h"
#include "app/TidewellApp.h"
#include "program/CommandLine.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    const CommandLine cmd =
        CommandLine::Parse(argc, argv, QStringLiteral("Records internet radio stations."));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral(TIDEWELL_PRODUCT));
    QApplication::setApplicationDisplayName(QStringLiteral(TIDEWELL_PRODUCT));
    QApplication::setApplicationVersion(QStringLiteral(TIDEWELL_VERSION));
    TidewellApp program(ProgramPaths::Resolve(QApplication::applicationFilePath(), cmd.configFile));
    if (const std::optional<int> exitCode = program.Start())
        return *exitCode;
    return QApplication::exec();
}

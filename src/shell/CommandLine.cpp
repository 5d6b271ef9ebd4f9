#include "shell/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

CommandLine CommandLine::Parse(const QCoreApplication& app, const QString& description) {
    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption config(
        QStringLiteral("config"),
        QStringLiteral("Settings file to use (default: tidewell.ini beside the program)."),
        QStringLiteral("FILE"));
    parser.addOption(config);
    parser.process(app);
    return CommandLine{parser.value(config)};
}

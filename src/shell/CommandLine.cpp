#include "shell/CommandLine.h"

#include "Version.h"

#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void finish(FILE* stream, const QString& text, int status) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::exit(status);
}

} // namespace

CommandLine CommandLine::Parse(int argc, char** argv, const QString& description) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return Parse(arguments, description);
}

CommandLine CommandLine::Parse(const QStringList& arguments, const QString& description) {
    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption config(
        QStringLiteral("config"),
        QStringLiteral("Settings file to use (default: tidewell.ini beside the program)."),
        QStringLiteral("FILE"));
    parser.addOptions({help, version, config});
    if (!parser.parse(arguments))
        finish(stderr, parser.errorText() + QStringLiteral("\nTry --help.\n"), 2);
    if (parser.isSet(help)) {
        const QString program = arguments.value(0).section(u'/', -1);
        finish(stdout, parser.helpText().replace(QLatin1String("<executable_name>"), program), 0);
    }
    if (parser.isSet(version))
        finish(stdout, QStringLiteral(TIDEWELL_PRODUCT " " TIDEWELL_VERSION "\n"), 0);
    if (!parser.positionalArguments().isEmpty())
        finish(stderr,
               QStringLiteral("Unexpected argument: %1\nTry --help.\n")
                   .arg(parser.positionalArguments().first()),
               2);
    return CommandLine{parser.value(config)};
}

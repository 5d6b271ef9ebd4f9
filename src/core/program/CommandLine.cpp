#include "program/CommandLine.h"

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

CommandLine CommandLine::Parse(int argc, char** argv, const QString& description,
                               bool codecOptions) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return Parse(arguments, description, codecOptions);
}

CommandLine CommandLine::Parse(const QStringList& arguments, const QString& description,
                               bool codecOptions) {
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
    const QCommandLineOption list(
        QStringLiteral("list-codecs"),
        QStringLiteral("Print the codec catalogue (driver, tab, format index, tab, description) "
                       "and exit."));
    const QCommandLineOption rate(QStringLiteral("rate"),
                                  QStringLiteral("With --list-codecs: only this sample rate."),
                                  QStringLiteral("HZ"));
    const QCommandLineOption channels(QStringLiteral("channels"),
                                      QStringLiteral("With --list-codecs: only 1 or 2 channels."),
                                      QStringLiteral("N"));
    if (codecOptions)
        parser.addOptions({list, rate, channels});
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
    CommandLine result{parser.value(config)};
    if (codecOptions)
        result.readCodecOptions(parser.isSet(list), parser.value(rate), parser.value(channels));
    return result;
}

void CommandLine::readCodecOptions(bool list, const QString& rateText, const QString& channelText) {
    listCodecs = list;
    bool ok = true;
    if (!rateText.isEmpty()) {
        rate = rateText.toInt(&ok);
        if (!ok || rate <= 0)
            finish(stderr, QStringLiteral("--rate takes a sample rate in Hz.\n"), 2);
    }
    if (!channelText.isEmpty()) {
        channels = channelText.toInt(&ok);
        if (!ok || channels < 1 || channels > 2)
            finish(stderr, QStringLiteral("--channels takes 1 or 2.\n"), 2);
    }
}

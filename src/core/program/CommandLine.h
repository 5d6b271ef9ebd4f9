#pragma once

#include <QString>
#include <QStringList>

// The options both programs take: --config FILE, --help, --version. They are read
// before any application object exists, so --help and --version work without a
// display; both print and end the process, as command-line programs do.
// The headless program also lists its codec catalogue (--list-codecs, with --rate
// and --channels to narrow it).
struct CommandLine {
    QString configFile; // empty: the default settings file
    bool listCodecs = false;
    int rate = 0;     // 0: every station rate
    int channels = 0; // 0: mono and stereo

    static CommandLine Parse(int argc, char** argv, const QString& description,
                             bool codecOptions = false);
    static CommandLine Parse(const QStringList& arguments, const QString& description,
                             bool codecOptions = false);

private:
    void readCodecOptions(bool list, const QString& rateText, const QString& channelText);
};

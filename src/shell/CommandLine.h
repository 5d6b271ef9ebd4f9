#pragma once

#include <QString>
#include <QStringList>

// The options both programs take: --config FILE, --help, --version. They are read
// before any application object exists, so --help and --version work without a
// display; both print and end the process, as command-line programs do.
struct CommandLine {
    QString configFile; // empty: the default settings file

    static CommandLine Parse(int argc, char** argv, const QString& description);
    static CommandLine Parse(const QStringList& arguments, const QString& description);
};

#pragma once

#include <QString>

class QCoreApplication;

// The options both programs take: --config FILE, --help, --version. --help and
// --version print and end the process, as command-line programs do.
struct CommandLine {
    QString configFile; // empty: the default settings file

    static CommandLine Parse(const QCoreApplication& app, const QString& description);
};

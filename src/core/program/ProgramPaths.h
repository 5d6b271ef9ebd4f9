#pragma once

#include <QString>

// Where the program finds and keeps its files. The desktop and the headless program
// share one base name, so both read the same settings and language files.
struct ProgramPaths {
    static constexpr const char* kBaseName = "tidewell";

    QString programPath;    // the running executable, for the autostart entry
    QString programDir;     // the folder of the program and its language files
    QString settingsFile;   // "tidewell.ini" beside the program, or --config
    QString savedFilesList; // the settings file with extension ".files"
    QString languagePrefix; // programDir + "/tidewell."

    // configOption: the --config value, empty for the default settings file.
    static ProgramPaths Resolve(const QString& programPath, const QString& configOption);
};

#include "program/ProgramPaths.h"

#include <QDir>
#include <QFileInfo>

ProgramPaths ProgramPaths::Resolve(const QString& programPath, const QString& configOption) {
    ProgramPaths p;
    p.programPath = QFileInfo(programPath).absoluteFilePath();
    p.programDir = QFileInfo(programPath).absolutePath();
    const QString base = QDir(p.programDir).filePath(QLatin1String(kBaseName));
    p.settingsFile = configOption.isEmpty() ? base + QStringLiteral(".ini")
                                            : QFileInfo(configOption).absoluteFilePath();
    const QFileInfo settings(p.settingsFile);
    p.savedFilesList =
        settings.dir().filePath(settings.completeBaseName() + QStringLiteral(".files"));
    p.languagePrefix = base + u'.';
    return p;
}

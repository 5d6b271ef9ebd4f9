#include "settings/AutoStart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// The first word of an Exec value: plain up to a space, or in double quotes with
// backslash escapes, as desktop entries quote them.
QString firstWord(const QString& exec) {
    if (!exec.startsWith(u'"'))
        return exec.section(u' ', 0, 0);
    QString word;
    for (qsizetype i = 1; i < exec.size() && exec[i] != u'"'; ++i)
        word += exec[i] == u'\\' && i + 1 < exec.size() ? exec[++i] : exec[i];
    return word;
}

// The command of an entry's Exec line: the first word, with the quoting of the
// desktop entry format undone.
QString execCommand(const QString& desktopFile) {
    QFile file(desktopFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (!line.startsWith(QLatin1String("Exec=")))
            continue;
        return firstWord(line.mid(5));
    }
    return {};
}

QString quoted(const QString& word) {
    QString w = word;
    w.replace(u'\\', QLatin1String("\\\\")).replace(u'"', QLatin1String("\\\""));
    return u'"' + w + u'"';
}

} // namespace

AutoStart::AutoStart(QString programPath, QStringList launchArguments, QString userFolder,
                     QStringList systemFolders)
    : program_(QFileInfo(programPath).absoluteFilePath()), arguments_(std::move(launchArguments)),
      userFolder_(std::move(userFolder)), systemFolders_(std::move(systemFolders)) {}

AutoStart AutoStart::ForSession(const QString& programPath, const QStringList& launchArguments) {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QStringList system;
    for (const QString& dir :
         QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        if (dir != config)
            system << dir + QStringLiteral("/autostart");
    return AutoStart(programPath, launchArguments, config + QStringLiteral("/autostart"), system);
}

QStringList AutoStart::entriesIn(const QString& folder) const {
    QStringList found;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("*.desktop")}, QDir::Files))
        if (execCommand(dir.filePath(name)) == program_)
            found << dir.filePath(name);
    return found;
}

bool AutoStart::IsAutoStart() const {
    for (const QString& folder : systemFolders_)
        if (!entriesIn(folder).isEmpty())
            return true;
    return !entriesIn(userFolder_).isEmpty();
}

bool AutoStart::SetAutoStart(bool on) const {
    const QStringList existing = entriesIn(userFolder_);
    if (!on) {
        bool ok = true;
        for (const QString& path : existing)
            ok = QFile::remove(path) && ok;
        return ok;
    }
    if (!existing.isEmpty())
        return true;
    if (!QDir().mkpath(userFolder_))
        return false;
    QString exec = quoted(program_);
    for (const QString& arg : arguments_)
        exec += u' ' + quoted(arg);
    const QString name = QFileInfo(program_).completeBaseName();
    QSaveFile file(QDir(userFolder_).filePath(name + QStringLiteral(".desktop")));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=Quorvane Tidewell\n"
                              "Exec=%1\nX-GNOME-Autostart-enabled=true\n")
                   .arg(exec)
                   .toUtf8());
    return file.commit();
}

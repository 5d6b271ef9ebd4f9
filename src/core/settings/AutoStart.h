#pragma once

#include <QString>
#include <QStringList>

// Starting with the desktop session through XDG autostart entries
// (~/.config/autostart/*.desktop). An entry belongs to the program when the
// command of its Exec line is the program's path.
class AutoStart {
public:
    // userFolder: where per-user entries are written; systemFolders: read only.
    AutoStart(QString programPath, QStringList launchArguments, QString userFolder,
              QStringList systemFolders);
    // The folders of the running session.
    static AutoStart ForSession(const QString& programPath, const QStringList& launchArguments);

    bool IsAutoStart() const;
    // On writes one entry unless one already exists; off removes every per-user entry
    // of the program. Returns false when a file could not be written or removed.
    bool SetAutoStart(bool on) const;

private:
    QStringList entriesIn(const QString& folder) const;

    QString program_;
    QStringList arguments_;
    QString userFolder_;
    QStringList systemFolders_;
};

#pragma once

#include "settings/IniFile.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

// One recording waiting to be entered into the saved-files list.
struct TClearFiles {
    quint8 Channel = 0;
    QDateTime Time;
    QString FileName; // the whole path
};

// The list of recordings kept for a limited number of days, and the pass that deletes
// them once they are old enough. The list is an INI file: one "Channel<number>" section
// per station, one "YYMMDD_HHNNSS=<path>" entry per recording, keyed by its opening time.
class SavedFiles {
public:
    // daysOf(number) gives the station's SaveFiles days, or -1 when no station has that number.
    SavedFiles(QString listFileName, std::function<int(int number)> daysOf, quint64 creationTick);

    void AddFile(int number, const QString& fileName, quint64 nowTick, const QDateTime& now);
    void RecAddFiles();
    void Work_With_SavedFiles(quint64 nowTick, const QDateTime& now, bool remEmpDir,
                              const QString& root);
    // One retention pass (see RetentionPass), entries not yet written included: the list
    // is read once and written once. True when an entry went.
    bool Clear_Files(quint64 nowTick, const QDateTime& now, const QString& root);
    // Drops every section of the station, deleting its files first when asked.
    void EraseFiles(int number, bool deleteFiles, const QString& root);

    const QString& ListName() const { return list_.path(); }
    const QList<TClearFiles>& Pending() const { return pending_; }

    quint64 NextSavedFilesWrite = 0; // 0 = nothing to write
    quint64 NextSavedFilesPass;

private:
    // The list file with the pending entries added; false when it cannot be read.
    bool loadWithPending(IniDocument* doc) const;
    void addPending(IniDocument& doc) const;

    IniFile list_;
    std::function<int(int)> daysOf_;
    QList<TClearFiles> pending_;
};

// The opening time a list key stands for ("YYMMDD_HHNNSS", local time).
bool FullTime(const QString& key, QDateTime* time);
QString SavedFileKey(const QDateTime& time);

// A path that is already gone counts as deleted.
bool TryDeleteFile(const QString& path);
// Removes `folder` (given with a trailing "/") and its parents while they are empty,
// never climbing above `root` and never touching a folder outside it.
void TryRemoveDir(QString folder, const QString& root);
// Removes every folder below and including `folder` that holds nothing but empty folders
// and THUMBS.DB files; returns whether `folder` itself went.
bool RemoveEmpryDir_Exec(const QString& folder);

#pragma once

#include "base/WorkerPool.h"
#include "settings/IniFile.h"

#include <QDateTime>
#include <QHash>
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
    // The list is read and written on a worker thread of its own, so that a long list never
    // holds up the caller; these three wait for it, Work_With_SavedFiles does not.
    void RecAddFiles();
    // One retention pass (see RetentionPass), entries not yet written included: the list
    // is read once and written once. True when an entry went.
    bool Clear_Files(quint64 nowTick, const QDateTime& now, const QString& root);
    // Drops every section of the station, deleting its files first when asked.
    void EraseFiles(int number, bool deleteFiles, const QString& root);
    void Work_With_SavedFiles(quint64 nowTick, const QDateTime& now, bool remEmpDir,
                              const QString& root);
    // Returns once everything handed to the worker is done.
    void Wait() { worker_->Wait(); }

    const QString& ListName() const { return list_.path(); }
    // Entries not yet handed to the worker.
    const QList<TClearFiles>& Pending() const { return pending_; }

    quint64 NextSavedFilesWrite = 0; // 0 = nothing to write
    quint64 NextSavedFilesPass;

private:
    QList<TClearFiles> takePending();
    QHash<int, int> daysSnapshot() const;
    void postWrite();
    void postPass(quint64 nowTick, const QDateTime& now, const QString& root);
    // On the worker: the list with *entries added after those an earlier write could not
    // store (*entries then holds them all); false when the list cannot be read.
    bool loadWith(QList<TClearFiles>* entries, IniDocument* doc);
    void store(const IniDocument& doc, const QList<TClearFiles>& entries);

    IniFile list_;
    std::function<int(int)> daysOf_;
    QList<TClearFiles> pending_;
    QList<TClearFiles> unwritten_; // worker only
    bool lastPassRemoved_ = false; // worker only, read after a wait
    bool sweepRefusalLogged_ = false;
    // Last: the thread runs what was posted and ends before the members it uses go.
    WorkerPool thread_{1};
    std::shared_ptr<Strand> worker_ = thread_.NewStrand();
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
// and THUMBS.DB files; returns whether `folder` itself went. Stays on the file system of
// `folder` and never follows a link.
bool RemoveEmpryDir_Exec(const QString& folder);
// Why the empty-folder sweep must not run on this root (the top of the file system or
// the home folder, whatever the spelling); empty when it may.
QString SweepRefusal(const QString& root);

#pragma once

#include <QMutexLocker>
#include <QRecursiveMutex>
#include <QString>

// The files this process has open for recording, known by device and inode so that any
// spelling of a path (links, "..", a second slash) finds them. Creating a recording and
// deleting old ones consult it: a file being recorded is never replaced or deleted.
// Safe to use from any thread.
class OpenRecordings {
public:
    // Enters the file behind an open descriptor; Remove it before closing the descriptor.
    static void Add(int fd);
    static void Remove(int fd);
    static bool Holds(const QString& path);
    // Runs `work` while no file is entered or removed, for a check and the change that
    // depends on it (is it open? then delete or replace it).
    template <typename Work> static auto Locked(Work work) {
        const QMutexLocker lock(&mutex());
        return work();
    }

private:
    static QRecursiveMutex& mutex();
};

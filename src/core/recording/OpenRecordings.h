#pragma once

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
};

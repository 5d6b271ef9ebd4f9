#include "recording/OpenRecordings.h"

#include <QFile>
#include <QHash>

#include <sys/stat.h>

namespace {

using FileId = std::pair<quint64, quint64>; // device, inode

QHash<FileId, int> open; // how many descriptors of this process record into each file

FileId idOf(const struct stat& st) {
    return {quint64(st.st_dev), quint64(st.st_ino)};
}

} // namespace

QRecursiveMutex& OpenRecordings::mutex() {
    static QRecursiveMutex m;
    return m;
}

void OpenRecordings::Add(int fd) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return;
    const QMutexLocker lock(&mutex());
    ++open[idOf(st)];
}

void OpenRecordings::Remove(int fd) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return;
    const QMutexLocker lock(&mutex());
    const auto it = open.find(idOf(st));
    if (it != open.end() && --it.value() <= 0)
        open.erase(it);
}

bool OpenRecordings::Holds(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    const QMutexLocker lock(&mutex());
    return open.contains(idOf(st));
}

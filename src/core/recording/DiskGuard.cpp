#include "recording/DiskGuard.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace {

constexpr quint64 kCheckInterval = 60000;
constexpr quint64 kMiB = 1048576;
constexpr quint64 kResumeMarginMb = 16;

// The recordings folder is made when the first file opens; until then its parent's
// volume is the one it will live on.
QString nearestExisting(const QString& path) {
    QString current = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (!QFileInfo::exists(current)) {
        const QString parent = QFileInfo(current).path();
        if (parent == current)
            return QString();
        current = parent;
    }
    return current;
}

} // namespace

std::optional<quint64> VolumeFreeSpace(const QString& path, QString* mountPoint) {
    if (path.isEmpty())
        return std::nullopt;
    const QString existing = nearestExisting(path);
    if (existing.isEmpty())
        return std::nullopt;
    const QStorageInfo storage(existing);
    if (!storage.isValid() || !storage.isReady() || storage.bytesAvailable() < 0)
        return std::nullopt;
    if (mountPoint)
        *mountPoint = storage.rootPath();
    return static_cast<quint64>(storage.bytesAvailable());
}

DiskGuard::DiskGuard(quint64 creationTick, FreeSpaceSource source)
    : NextDiskCheck(creationTick), source_(std::move(source)) {}

DiskGuard::Outcome DiskGuard::Check_Free_Size(quint64 nowTick, const QString& root, int availableMb,
                                              bool anyRecording) {
    if (nowTick < NextDiskCheck)
        return {};
    NextDiskCheck = nowTick + kCheckInterval;
    QString mount;
    if (const std::optional<quint64> free = source_(root, &mount)) {
        FreeBytes = *free;
        drive_ = mount;
    }
    if (!anyRecording)
        return {};
    Outcome outcome;
    if (availableMb > 0) {
        const quint64 low = static_cast<quint64>(availableMb) * kMiB;
        const quint64 high = (static_cast<quint64>(availableMb) + kResumeMarginMb) * kMiB;
        if (FreeBytes > high) {
            if (!SpaceLow)
                return {};
            SpaceLow = false;
        } else if (FreeBytes <= low) {
            if (SpaceLow)
                return {};
            SpaceLow = true;
            outcome.becameLow = true;
        }
    } else {
        // A guard turned off holds nothing back, even in the middle of a low-space episode.
        SpaceLow = false;
    }
    outcome.handOut = true;
    return outcome;
}

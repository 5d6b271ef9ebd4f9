#pragma once

#include <QString>

#include <functional>
#include <optional>

// Bytes available to the user on the volume holding `path` and that volume's mount point;
// nullopt when it cannot be measured. A path that does not exist yet is measured on its
// nearest existing parent folder.
std::optional<quint64> VolumeFreeSpace(const QString& path, QString* mountPoint);

// Watches the free space of the recordings volume once a minute and tells when recording
// must pause (at or below the limit) or may resume (16 MiB above it, so that a volume
// hovering at the limit does not toggle the stations every minute). A limit of 0 turns
// the guard off and releases the stations.
class DiskGuard {
public:
    using FreeSpaceSource =
        std::function<std::optional<quint64>(const QString& path, QString* mountPoint)>;

    explicit DiskGuard(quint64 creationTick, FreeSpaceSource source = VolumeFreeSpace);

    struct Outcome {
        bool handOut = false;   // copy SpaceLow into every station's LessSize
        bool becameLow = false; // queue one "FreeSpace" notice naming Drive()
    };
    Outcome Check_Free_Size(quint64 nowTick, const QString& root, int availableMb,
                            bool anyRecording);

    quint64 NextDiskCheck; // the first tick checks
    quint64 FreeBytes = 0;
    bool SpaceLow = false;

    // Mount point of the last successful check.
    QString Drive() const { return drive_; }

private:
    FreeSpaceSource source_;
    QString drive_;
};

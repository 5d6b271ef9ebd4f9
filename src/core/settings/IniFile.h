#pragma once

#include "settings/IniDocument.h"

#include <QString>

#include <functional>

// One INI file on disk. Every operation opens the file, does its work and closes it
// again; nothing is kept open. Writes replace the file atomically (a temporary file
// in the same folder, synced, renamed, then the folder synced), so a crash or a full
// disk never leaves a half-written file behind; the file keeps its owner and group.
// In a folder that is not writable a writable file is rewritten in place instead.
// A failed save is logged.
class IniFile {
public:
    explicit IniFile(QString path) : path_(std::move(path)) {}

    const QString& path() const { return path_; }

    // A missing file reads as empty. An existing file that cannot be read also reads
    // as empty, and sets *readable to false when asked.
    IniDocument load(bool* readable = nullptr) const;
    bool save(const IniDocument& doc) const;
    // Read, change and write back as one operation. Returns false, writing nothing,
    // when the existing file cannot be read or the new one cannot be written.
    bool edit(const std::function<void(IniDocument&)>& change) const;

    QStringList readSections() const { return load().sections(); }
    bool eraseSection(const QString& section) const;

private:
    QString path_;
};

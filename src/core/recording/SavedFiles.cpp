#include "recording/SavedFiles.h"

#include "base/TextCut.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

constexpr quint64 kWriteDelay = 1000;
constexpr quint64 kPassDelayAfterAdd = 2000;
constexpr quint64 kFirstPassDelay = 10000;
constexpr quint64 kPassInterval = 60000;

const QString kSectionPrefix = QStringLiteral("Channel");
const QString kThumbs = QStringLiteral("THUMBS.DB");

Qt::CaseSensitivity pathCase() {
#ifdef Q_OS_WIN
    return Qt::CaseInsensitive;
#else
    return Qt::CaseSensitive;
#endif
}

// Two ASCII digits at `at`; digits of other scripts never appear in a key.
bool twoDigits(const QString& text, qsizetype at, int* value) {
    const QChar hi = text[at];
    const QChar lo = text[at + 1];
    if (hi < u'0' || hi > u'9' || lo < u'0' || lo > u'9')
        return false;
    *value = (hi.unicode() - u'0') * 10 + (lo.unicode() - u'0');
    return true;
}

// "Channel<n>" with n in 0..255, the "Channel" in any case.
bool sectionNumber(const QString& section, int* number) {
    if (section.left(kSectionPrefix.size()).compare(kSectionPrefix, Qt::CaseInsensitive) != 0)
        return false;
    const QString rest = section.mid(kSectionPrefix.size()).trimmed();
    if (rest.isEmpty() || rest.size() > 3)
        return false;
    int value = 0;
    for (const QChar c : rest) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value > 255)
        return false;
    *number = value;
    return true;
}

// The file reader matches names without regard to case, so repeats after the first are
// out of its reach; each name is handled once.
QStringList uniqueNames(const QStringList& names) {
    QStringList out;
    QSet<QString> seen;
    for (const QString& name : names) {
        const QString folded = name.toCaseFolded();
        if (!seen.contains(folded)) {
            seen.insert(folded);
            out << name;
        }
    }
    return out;
}

QString folderOf(const QString& path) {
    return path.left(path.lastIndexOf(u'/') + 1);
}

bool isInside(const QString& folder, const QString& root) {
    if (folder.compare(root, pathCase()) == 0)
        return true;
    const QString prefix = root.endsWith(u'/') ? root : root + u'/';
    return folder.startsWith(prefix, pathCase());
}

bool isThumbs(const QString& name) {
    return name.toUpper() == kThumbs;
}

void deleteThumbs(const QString& folder) {
    const QDir dir(folder);
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : files)
        if (isThumbs(name))
            QFile::remove(dir.filePath(name));
}

// Deletes the entry's file and the folders that leaves empty; false while the file stays.
bool deleteEntry(const QString& path, const QString& root) {
    if (path.isEmpty())
        return true;
    if (!TryDeleteFile(path))
        return false;
    TryRemoveDir(folderOf(path), root);
    return true;
}

} // namespace

SavedFiles::SavedFiles(QString listFileName, std::function<int(int)> daysOf, quint64 creationTick)
    : NextSavedFilesPass(creationTick + kFirstPassDelay), list_(std::move(listFileName)),
      daysOf_(std::move(daysOf)) {}

void SavedFiles::AddFile(int number, const QString& fileName, quint64 nowTick,
                         const QDateTime& now) {
    if (number < 0 || number > 255 || fileName.isEmpty())
        return;
    pending_.append({static_cast<quint8>(number), now, CutText(fileName, kMaxFileName)});
    NextSavedFilesWrite = nowTick + kWriteDelay;
    NextSavedFilesPass = nowTick + kPassDelayAfterAdd;
}

void SavedFiles::RecAddFiles() {
    NextSavedFilesWrite = 0;
    if (pending_.isEmpty())
        return;
    const bool written = list_.edit([this](IniDocument& doc) {
        for (const TClearFiles& entry : std::as_const(pending_))
            doc.writeString(kSectionPrefix + QString::number(entry.Channel),
                            SavedFileKey(entry.Time), entry.FileName);
    });
    // Entries that could not be written stay for the next write rather than being lost.
    if (written)
        pending_.clear();
}

void SavedFiles::Work_With_SavedFiles(quint64 nowTick, const QDateTime& now, bool remEmpDir,
                                      const QString& root) {
    if (NextSavedFilesWrite > 0 && nowTick >= NextSavedFilesWrite)
        RecAddFiles();
    if (nowTick <= NextSavedFilesPass)
        return;
    Clear_Files(nowTick, now, root);
    // Without a root the sweep would start at the top of the file system.
    if (remEmpDir && !root.isEmpty())
        RemoveEmpryDir_Exec(root + u'/');
}

bool SavedFiles::Clear_Files(quint64 nowTick, const QDateTime& now, const QString& root) {
    NextSavedFilesPass = nowTick + kPassInterval;
    bool readable = true;
    IniDocument doc = list_.load(&readable);
    if (!readable)
        return false;
    bool changed = false;
    for (const QString& section : uniqueNames(doc.sections())) {
        int number = 0;
        if (!sectionNumber(section, &number))
            continue;
        const int days = daysOf_(number);
        if (days >= 1 && clearSection(doc, section, days, now, root))
            changed = true;
    }
    if (changed)
        list_.save(doc);
    return changed;
}

bool SavedFiles::clearSection(IniDocument& doc, const QString& section, int days,
                              const QDateTime& now, const QString& root) const {
    bool changed = false;
    for (const QString& key : uniqueNames(doc.keys(section))) {
        QDateTime opened;
        if (!FullTime(key, &opened) || now < opened.addDays(days))
            continue;
        if (deleteEntry(doc.readString(section, key, QString()), root)) {
            doc.deleteKey(section, key);
            changed = true;
        }
    }
    return changed;
}

void SavedFiles::EraseFiles(const QString& section, bool deleteFiles, const QString& root) {
    // Entries not yet written belong to the section too.
    RecAddFiles();
    bool readable = true;
    IniDocument doc = list_.load(&readable);
    if (!readable)
        return;
    if (deleteFiles) {
        for (const QString& key : uniqueNames(doc.keys(section))) {
            QDateTime opened;
            const QString path = doc.readString(section, key, QString());
            if (FullTime(key, &opened) && !path.isEmpty())
                deleteEntry(path, root);
        }
    }
    while (doc.eraseSection(section)) {
    }
    list_.save(doc);
}

QString SavedFileKey(const QDateTime& time) {
    return time.toString(QStringLiteral("yyMMdd_HHmmss"));
}

bool FullTime(const QString& key, QDateTime* time) {
    if (key.size() != 13)
        return false;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!twoDigits(key, 0, &year) || !twoDigits(key, 2, &month) || !twoDigits(key, 4, &day) ||
        !twoDigits(key, 7, &hour) || !twoDigits(key, 9, &minute) || !twoDigits(key, 11, &second))
        return false;
    if (month > 12 || day > 31 || hour > 23 || minute > 59 || second > 59)
        return false;
    const QDate date(2000 + year, month, day);
    if (!date.isValid())
        return false;
    *time = QDateTime(date, QTime(hour, minute, second));
    return time->isValid();
}

bool TryDeleteFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    // Changing a link's permissions would change its target instead.
    if (!info.isSymLink()) {
        const QFileDevice::Permissions perms = info.permissions();
        if (!(perms & QFileDevice::WriteOwner) &&
            !QFile::setPermissions(path, perms | QFileDevice::WriteOwner))
            return false;
    }
    return QFile::remove(path);
}

void TryRemoveDir(QString folder, const QString& root) {
    if (root.isEmpty())
        return;
    const QString top = QDir::cleanPath(root);
    QString current = QDir::cleanPath(folder);
    while (current.size() > 1 && isInside(current, top)) {
        deleteThumbs(current);
        if (!QDir().rmdir(current))
            return;
        if (current.compare(top, pathCase()) == 0)
            return;
        current = QFileInfo(current).path();
    }
}

bool RemoveEmpryDir_Exec(const QString& folder) {
    const QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    // Every sub-folder is visited even once this folder is known to stay, so that empty
    // branches beside recordings go in the same sweep.
    bool keep = false;
    QStringList thumbs;
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.isSymLink()) {
            if (!RemoveEmpryDir_Exec(entry.filePath()))
                keep = true;
        } else if (!entry.isSymLink() && isThumbs(entry.fileName())) {
            thumbs << entry.filePath();
        } else {
            keep = true;
        }
    }
    if (keep)
        return false;
    for (const QString& path : std::as_const(thumbs))
        if (!QFile::remove(path))
            return false;
    return QDir().rmdir(QDir::cleanPath(folder));
}

#include "recording/SavedFiles.h"

#include "base/Logging.h"
#include "recording/OpenRecordings.h"
#include "recording/RetentionPass.h"
#include "settings/StationConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <utility>

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
    if (!OpenRecordings::Locked(
            [&] { return !OpenRecordings::Holds(path) && TryDeleteFile(path); }))
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
    pending_.append({static_cast<quint8>(number), now, fileName});
    NextSavedFilesWrite = nowTick + kWriteDelay;
    NextSavedFilesPass = nowTick + kPassDelayAfterAdd;
}

QList<TClearFiles> SavedFiles::takePending() {
    NextSavedFilesWrite = 0;
    return std::exchange(pending_, {});
}

QHash<int, int> SavedFiles::daysSnapshot() const {
    QHash<int, int> days;
    for (int number = 0; number <= 255; ++number)
        days.insert(number, daysOf_(number));
    return days;
}

void SavedFiles::RecAddFiles() {
    postWrite();
    worker_->Wait();
}

void SavedFiles::postWrite() {
    worker_->Post([this, entries = takePending()]() mutable {
        IniDocument doc;
        if (loadWith(&entries, &doc) && !entries.isEmpty())
            store(doc, entries);
    });
}

void SavedFiles::Work_With_SavedFiles(quint64 nowTick, const QDateTime& now, bool remEmpDir,
                                      const QString& root) {
    if (NextSavedFilesWrite > 0 && nowTick >= NextSavedFilesWrite)
        postWrite();
    if (nowTick <= NextSavedFilesPass)
        return;
    postPass(nowTick, now, root);
    // Without a root the sweep would start at the top of the file system.
    if (!remEmpDir || root.isEmpty())
        return;
    if (const QString refusal = SweepRefusal(root); !refusal.isEmpty()) {
        if (!sweepRefusalLogged_)
            qCWarning(lcFiles).noquote() << "Empty folders are not removed:" << refusal;
        sweepRefusalLogged_ = true;
        return;
    }
    worker_->Post([folder = root + u'/'] { RemoveEmpryDir_Exec(folder); });
}

bool SavedFiles::Clear_Files(quint64 nowTick, const QDateTime& now, const QString& root) {
    postPass(nowTick, now, root);
    worker_->Wait();
    return lastPassRemoved_;
}

void SavedFiles::postPass(quint64 nowTick, const QDateTime& now, const QString& root) {
    NextSavedFilesPass = nowTick + kPassInterval;
    worker_->Post([this, entries = takePending(), days = daysSnapshot(), now, root]() mutable {
        lastPassRemoved_ = false;
        IniDocument doc;
        if (!loadWith(&entries, &doc))
            return;
        const QList<qsizetype> gone =
            RetentionPass([&days](int n) { return days.value(n, -1); }, now, root).Run(doc);
        doc.removeLines(gone);
        if (!gone.isEmpty() || !entries.isEmpty())
            store(doc, entries);
        lastPassRemoved_ = !gone.isEmpty();
    });
}

void SavedFiles::EraseFiles(int number, bool deleteFiles, const QString& root) {
    worker_->Post([this, entries = takePending(), number, deleteFiles, root]() mutable {
        IniDocument doc;
        if (!loadWith(&entries, &doc))
            return;
        if (deleteFiles) {
            const QStringList sections = doc.sections();
            for (const IniDocument::Entry& e : doc.entries())
                if (e.section >= 0 && StationSectionNumber(sections[e.section]) == number &&
                    KeyStamp(e.key) >= 0 && !e.value.isEmpty())
                    deleteEntry(QString::fromUtf8(e.value), root);
        }
        EraseStationSections(doc, number);
        store(doc, entries);
    });
    worker_->Wait();
}

bool SavedFiles::loadWith(QList<TClearFiles>* entries, IniDocument* doc) {
    *entries = std::exchange(unwritten_, {}) + *entries;
    bool readable = true;
    *doc = list_.load(&readable);
    if (!readable) {
        unwritten_ = *entries;
        return false;
    }
    QList<IniDocument::Assignment> values;
    for (const TClearFiles& entry : std::as_const(*entries))
        values.append({kSectionPrefix + QString::number(entry.Channel), SavedFileKey(entry.Time),
                       entry.FileName});
    doc->writeStrings(values);
    return true;
}

void SavedFiles::store(const IniDocument& doc, const QList<TClearFiles>& entries) {
    // Entries that could not be written go with the next write rather than being lost.
    if (!list_.save(doc))
        unwritten_ = entries;
}

QString SavedFileKey(const QDateTime& time) {
    return time.toString(QStringLiteral("yyMMdd_HHmmss"));
}

bool FullTime(const QString& key, QDateTime* time) {
    // Characters outside Latin-1 become '?', which no key holds.
    qint64 stamp = KeyStamp(key.toLatin1());
    if (stamp < 0)
        return false;
    int fields[6];
    for (int i = 5; i >= 0; --i, stamp /= 100)
        fields[i] = int(stamp % 100);
    const QDateTime result(QDate(2000 + fields[0], fields[1], fields[2]),
                           QTime(fields[3], fields[4], fields[5]));
    if (!result.isValid())
        return false;
    *time = result;
    return true;
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

namespace {

// The device of a folder itself (a link is not followed); 0 when it cannot be read.
dev_t deviceOf(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_dev : 0;
}

bool sweep(const QString& folder, dev_t device) {
    const QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    // Every sub-folder is visited even once this folder is known to stay, so that empty
    // branches beside recordings go in the same sweep. Links and other file systems
    // mounted below are never entered: they count as content.
    bool keep = false;
    QStringList thumbs;
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.isSymLink() && deviceOf(entry.filePath()) == device) {
            if (!sweep(entry.filePath(), device))
                keep = true;
        } else if (entry.isFile() && !entry.isSymLink() && isThumbs(entry.fileName())) {
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

} // namespace

bool RemoveEmpryDir_Exec(const QString& folder) {
    const dev_t device = deviceOf(QDir::cleanPath(folder));
    return device != 0 && sweep(folder, device);
}

QString SweepRefusal(const QString& root) {
    const QString path = QFileInfo(root).canonicalFilePath();
    if (path == QLatin1String("/"))
        return QStringLiteral("the recordings folder is the top of the file system");
    if (path == QFileInfo(QDir::homePath()).canonicalFilePath())
        return QStringLiteral("the recordings folder is the home folder");
    return QString();
}

#include "recording/RetentionPass.h"

#include "recording/OpenRecordings.h"
#include "recording/SavedFiles.h"
#include "settings/StationConfig.h"

#include <QFileInfo>

#include <limits>

namespace {

constexpr qint64 kNever = -1;

bool twoDigits(QByteArrayView text, qsizetype at, int* value) {
    const char hi = text[at];
    const char lo = text[at + 1];
    if (hi < '0' || hi > '9' || lo < '0' || lo > '9')
        return false;
    *value = (hi - '0') * 10 + (lo - '0');
    return true;
}

qint64 stampOf(int year, int month, int day, int hour, int minute, int second) {
    return (((((qint64(year) - 2000) * 100 + month) * 100 + day) * 100 + hour) * 100 + minute) *
               100 +
           second;
}

qint64 stampOf(const QDateTime& time) {
    const QDate d = time.date();
    const QTime t = time.time();
    return stampOf(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

} // namespace

qint64 KeyStamp(QByteArrayView key) {
    if (key.size() != 13)
        return -1;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!twoDigits(key, 0, &year) || !twoDigits(key, 2, &month) || !twoDigits(key, 4, &day) ||
        !twoDigits(key, 7, &hour) || !twoDigits(key, 9, &minute) || !twoDigits(key, 11, &second))
        return -1;
    if (hour > 23 || minute > 59 || second > 59 || !QDate::isValid(2000 + year, month, day))
        return -1;
    return stampOf(2000 + year, month, day, hour, minute, second);
}

RetentionPass::RetentionPass(std::function<int(int)> daysOf, const QDateTime& now, QString root)
    : daysOf_(std::move(daysOf)), now_(now), root_(std::move(root)) {}

// Entries opened at or before the returned stamp are old enough. A number of days
// reaching before the first time a key can hold means "never".
qint64 RetentionPass::cutoff(int days) {
    const auto known = cutoffs_.constFind(days);
    if (known != cutoffs_.constEnd())
        return *known;
    // On the date alone: QDateTime's own day arithmetic wraps around for huge numbers.
    const QDate date = now_.date().addDays(-qint64(days));
    qint64 stamp = kNever;
    if (date.isValid() && date.year() >= 2000)
        stamp = date.year() > 2099 ? std::numeric_limits<qint64>::max()
                                   : stampOf(QDateTime(date, now_.time()));
    cutoffs_.insert(days, stamp);
    return stamp;
}

QList<qsizetype> RetentionPass::Run(const IniDocument& doc) {
    QList<int> days; // per section; below 1 for sections not acted on
    QList<bool> numbered;
    for (const QString& name : doc.sections()) {
        const int number = StationSectionNumber(name);
        numbered << (number >= 0);
        days << (number < 0 ? -1 : daysOf_(number));
    }
    const QList<IniDocument::Entry> entries = doc.entries();
    QList<qint64> stamps(entries.size(), -1);
    QHash<QByteArray, qint64> newest; // the latest opening listed for each path
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const IniDocument::Entry& e = entries[i];
        if (e.section < 0 || !numbered[e.section])
            continue;
        stamps[i] = KeyStamp(e.key);
        if (stamps[i] >= 0 && !e.value.isEmpty()) {
            qint64& latest = newest[e.value];
            latest = std::max(latest, stamps[i]);
        }
    }
    QList<qsizetype> gone;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const IniDocument::Entry& e = entries[i];
        if (stamps[i] < 0 || days[e.section] < 1)
            continue;
        const bool recordedAgain = !e.value.isEmpty() && newest.value(e.value) > stamps[i];
        if (recordedAgain ||
            (stamps[i] <= cutoff(days[e.section]) &&
             removeAged(QString::fromLatin1(e.key), QString::fromUtf8(e.value), days[e.section])))
            gone << e.line;
    }
    return gone;
}

// True when the entry can go: its file is deleted, already gone, or holds a later recording.
bool RetentionPass::removeAged(const QString& key, const QString& path, int days) const {
    if (path.isEmpty())
        return true;
    const bool gone = OpenRecordings::Locked([&] {
        const QFileInfo info(path);
        if (info.exists()) {
            if (OpenRecordings::Holds(path))
                return false;
            QDateTime opened;
            if (info.isFile() && FullTime(key, &opened) &&
                info.lastModified() > QDateTime(opened.date().addDays(days), opened.time()))
                return true;
        }
        return TryDeleteFile(path);
    });
    if (gone)
        TryRemoveDir(path.left(path.lastIndexOf(u'/') + 1), root_);
    return gone;
}

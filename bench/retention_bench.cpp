// Times the saved-files list at its largest: 255 stations, each with 30 days of hourly
// recordings listed (183,600 entries). Measures the main tick of the hour change (one new
// entry per station written to the list) and of the retention pass that follows it (the
// oldest hour of every station expires; those 255 files exist and are deleted): the time
// the main thread spends, and when the list's worker is done.
//
//   retention_bench [stations=255] [days=30] [rounds=5]

#include "recording/SavedFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

QString pathOf(const QString& root, int station, const QDateTime& opened) {
    return root + QStringLiteral("/Station %1/").arg(station) +
           opened.toString(QStringLiteral("yyyy/MMMM/dd/HH-mm-ss")) + QStringLiteral(".MP3");
}

// The list as the program leaves it after `days` days of hourly recordings up to `last`.
QByteArray fullList(const QString& root, int stations, int days, const QDateTime& last) {
    QByteArray out;
    for (int st = 0; st < stations; ++st) {
        out += "[Channel" + QByteArray::number(st) + "]\n";
        for (int h = days * 24 - 1; h >= 0; --h) {
            const QDateTime opened = last.addSecs(-3600LL * h);
            out += SavedFileKey(opened).toUtf8() + '=' + pathOf(root, st, opened).toUtf8() + '\n';
        }
    }
    return out;
}

// A recording last written at `modified`.
void touch(const QString& path, const QDateTime& modified) {
    QDir().mkpath(path.left(path.lastIndexOf(u'/')));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write("audio");
        file.flush();
        file.setFileTime(modified, QFileDevice::FileModificationTime);
    }
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int stations = argc > 1 ? atoi(argv[1]) : 255;
    const int days = argc > 2 ? atoi(argv[2]) : 30;
    const int rounds = argc > 3 ? atoi(argv[3]) : 5;
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("rec"));
    const QString listName = dir.filePath(QStringLiteral("tidewell.files"));
    const QDateTime start(QDate(2026, 3, 2), QTime(10, 0, 0));

    std::vector<double> writeTick, writeWork, passTick, passWork;
    for (int round = 0; round < rounds; ++round) {
        QFile list(listName);
        list.open(QIODevice::WriteOnly);
        list.write(fullList(root, stations, days, start));
        list.close();
        const QDateTime now = start.addSecs(3600);
        const QDateTime oldest = start.addSecs(-3600LL * (days * 24 - 1));
        for (int st = 0; st < stations; ++st)
            touch(pathOf(root, st, oldest), oldest.addSecs(3600));
        SavedFiles files(
            listName, [days](int) { return days; }, 0);
        for (int st = 0; st < stations; ++st)
            files.AddFile(st, pathOf(root, st, now), 1000, now);

        // The main tick that writes the new entries, then the one that runs the pass.
        QElapsedTimer timer;
        timer.start();
        files.Work_With_SavedFiles(2000, now.addSecs(1), false, root);
        writeTick.push_back(timer.nsecsElapsed() / 1e6);
        files.Wait();
        writeWork.push_back(timer.nsecsElapsed() / 1e6);

        timer.restart();
        files.Work_With_SavedFiles(3001, now.addSecs(2), false, root);
        passTick.push_back(timer.nsecsElapsed() / 1e6);
        files.Wait();
        passWork.push_back(timer.nsecsElapsed() / 1e6);
        if (QFile::exists(pathOf(root, stations - 1, oldest)))
            std::printf("round %d: the pass did not delete the oldest hour\n", round);
    }
    std::printf("%d stations x %d days hourly = %d entries, %d rounds (median ms)\n", stations,
                days, stations * days * 24, rounds);
    std::printf("  write of %d new entries: main thread %.2f ms, done after %.1f ms\n", stations,
                median(writeTick), median(writeWork));
    std::printf("  retention pass:          main thread %.2f ms, done after %.1f ms\n",
                median(passTick), median(passWork));
    return 0;
}

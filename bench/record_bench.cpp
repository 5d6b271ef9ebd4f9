// Runs the real tidewelld with N stations on a local Icecast mount (128 kbit/s MPEG
// Layer-3, 44100 Hz stereo) and, in the same run, ffmpeg recorders of the same
// conversion at the same LAME quality on the same stream. Prints CPU seconds per
// station-hour for both and their ratio, how busy the machine was, tidewelld's memory
// over time, whether every station recorded the wall time measured (its file grew by
// that much audio) and whether every file ends with its tag.
//
//   record_bench [stations=255] [seconds=120] [format=mono22|stereo44|online] [ffmpegs=4] [web]
//
// "online" connects the stations without recording them. "web" also loads the status page
// with wrk (32 connections, 20 s) during the measurement and prints its pages a second
// and 99th percentile latency.

#include "Icecast.h"
#include "codec/LameDriver.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct Format {
    int rate, channels, kbps;
    bool record;
};

double ticksToSeconds(double ticks) {
    return ticks / double(sysconf(_SC_CLK_TCK));
}

// User and system time of a process, from /proc.
double processCpu(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return ticksToSeconds(fields.value(11).toDouble() + fields.value(12).toDouble());
}

// Resident memory of a process in MiB.
double residentMiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

// Busy and total time of all cores, from /proc/stat.
std::pair<double, double> machineTime() {
    QFile stat(QStringLiteral("/proc/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return {0, 0};
    const QList<QByteArray> f = stat.readLine().simplified().split(' ');
    double total = 0;
    for (int i = 1; i < f.size(); ++i)
        total += f[i].toDouble();
    const double idle = f.value(4).toDouble() + f.value(5).toDouble();
    return {total - idle, total};
}

QString formatIndex(const Format& f) {
    for (const Mp3Format& m : Mp3Formats())
        if (m.rate == f.rate && m.channels == f.channels && m.kbps == f.kbps)
            return QString::number(m.index);
    return QStringLiteral("-1");
}

void writeSettings(const QString& file, const QString& root, const QString& url, int count,
                   const Format& f, quint16 webPort) {
    QFile ini(file);
    ini.open(QIODevice::WriteOnly);
    ini.write(
        QStringLiteral("[Settings]\nRoot=%1\nHTTPPort=%2\nAvailable=0\nFileNames=RR\\HH-NN-SS\n")
            .arg(root)
            .arg(webPort)
            .toUtf8());
    for (int i = 0; i < count; ++i)
        ini.write(QStringLiteral("[Channel%1]\nName=S%1\nFileDir=S%1\nURL=%2\nMode=%3\n"
                                 "Driver=%4\nCodec=%5\nBitrate=%6\nChannels=%7\n")
                      .arg(i)
                      .arg(url)
                      .arg(f.record ? 2 : 1)
                      .arg(LameDriver().LongName(), formatIndex(f))
                      .arg(f.rate)
                      .arg(f.channels)
                      .toUtf8());
}

QStringList recordings(const QString& root) {
    QStringList files;
    QDirIterator it(root, {"*.MP3"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

// Bytes recorded per station (each has a folder of its own), across a change of hour.
QHash<QString, qint64> stationBytes(const QString& root) {
    QHash<QString, qint64> bytes;
    for (const QString& file : recordings(root))
        bytes[QFileInfo(file).path()] += QFileInfo(file).size();
    return bytes;
}

// Until every recording station has a file with audio in it (at least ten seconds, at
// most a minute), then ten seconds more, so that the measurement sees only stations in
// their stride.
void waitForFiles(const QString& root, int stations) {
    QElapsedTimer waited;
    waited.start();
    const auto recording = [&] {
        const QHash<QString, qint64> bytes = stationBytes(root);
        return bytes.size() >= stations &&
               std::all_of(bytes.begin(), bytes.end(), [](qint64 b) { return b > 0; });
    };
    while ((waited.elapsed() < 10000 || !recording()) && waited.elapsed() < 60000)
        QTest::qWait(1000);
    QTest::qWait(10000);
}

bool endsWithTag(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) && f.size() >= 128 && f.seek(f.size() - 128) &&
           f.read(3) == "TAG";
}

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// "Requests/sec" and the 99th percentile from wrk's report.
void printWrk(const QString& report) {
    const QRegularExpression rate(QStringLiteral("Requests/sec:\\s*([0-9.]+)"));
    const QRegularExpression p99(QStringLiteral("\\n\\s*99%\\s*([0-9.]+\\w+)"));
    std::printf("web page:  %s pages/s, 99%% within %s\n",
                qPrintable(rate.match(report).captured(1)),
                qPrintable(p99.match(report).captured(1)));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 255;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 120;
    const QString name = argc > 3 ? QString::fromLatin1(argv[3]) : QStringLiteral("mono22");
    const int ffmpegs = argc > 4 ? std::atoi(argv[4]) : 4;
    const quint16 webPort = argc > 5 && QByteArray(argv[5]) == "web" ? freePort() : 0;
    const Format format = name == "stereo44" ? Format{44100, 2, 128, true}
                          : name == "online" ? Format{22050, 1, 64, false}
                                             : Format{22050, 1, 64, true};
    Icecast icecast(count + ffmpegs);
    QTemporaryDir dir;
    if (!icecast.start() || !dir.isValid()) {
        std::fprintf(stderr, "the Icecast server did not start\n");
        return 1;
    }
    const QString url = icecast.url(QStringLiteral("/live.mp3"));
    const QString root = dir.filePath(QStringLiteral("Record"));
    writeSettings(dir.filePath("tidewell.ini"), root, url, count, format, webPort);
    QTest::qWait(2000); // the source is on the mount

    QProcess daemon;
    daemon.setStandardErrorFile(dir.filePath("tidewelld.log"));
    daemon.start(QCoreApplication::applicationDirPath() + "/tidewelld",
                 {"--config", dir.filePath("tidewell.ini")});
    std::vector<std::unique_ptr<QProcess>> recorders;
    for (int i = 0; format.record && i < ffmpegs; ++i) {
        recorders.push_back(std::make_unique<QProcess>());
        recorders.back()->start(
            "ffmpeg", {"-nostdin", "-loglevel", "error", "-i", url, "-ar",
                       QString::number(format.rate), "-ac", QString::number(format.channels),
                       "-c:a", "libmp3lame", "-b:a", QStringLiteral("%1k").arg(format.kbps),
                       "-compression_level", QString::number(kLameQuality), "-f", "mp3", "-y",
                       dir.filePath(QStringLiteral("ffmpeg%1.mp3").arg(i))});
    }
    if (!daemon.waitForStarted()) {
        std::fprintf(stderr, "tidewelld did not start\n");
        return 1;
    }
    // Every station connects and starts its file. At start-up the local Icecast lets some
    // of 255 simultaneous connections time out; their stations retry ten seconds later.
    waitForFiles(root, format.record ? count : 0);
    const QHash<QString, qint64> bytesBefore = stationBytes(root);

    const qint64 pid = daemon.processId();
    const double cpuStart = processCpu(pid);
    double ffmpegStart = 0;
    for (const auto& r : recorders)
        ffmpegStart += processCpu(r->processId());
    const auto [busyStart, totalStart] = machineTime();
    QProcess wrk;
    if (webPort)
        wrk.start("wrk", {"-c", "32", "-t", "2", "-d", "20s", "--latency",
                          QStringLiteral("http://127.0.0.1:%1/").arg(webPort)});
    QElapsedTimer timer;
    timer.start();
    std::vector<double> memory;
    while (timer.elapsed() < seconds * 1000) {
        memory.push_back(residentMiB(pid));
        QTest::qWait(10000);
    }
    const double wall = timer.elapsed() / 1000.0;
    const QHash<QString, qint64> bytesAfter = stationBytes(root);
    const double cpu = processCpu(pid) - cpuStart;
    double ffmpegCpu = -ffmpegStart;
    for (const auto& r : recorders)
        ffmpegCpu += processCpu(r->processId());
    const auto [busyEnd, totalEnd] = machineTime();
    wrk.waitForFinished(30000);
    for (const auto& r : recorders) {
        r->terminate();
        r->waitForFinished(10000);
    }
    daemon.terminate();
    daemon.waitForFinished(30000);

    // At a constant bit rate the bytes a file grew by are the audio it took in: in real
    // time that is the wall time measured.
    int off = 0;
    double worst = 0;
    for (auto it = bytesAfter.begin(); it != bytesAfter.end(); ++it) {
        const double audio = (it.value() - bytesBefore.value(it.key())) * 8.0 / (format.kbps * 1000);
        if (std::abs(audio - wall) > std::abs(worst))
            worst = audio - wall;
        off += std::abs(audio - wall) > 2.0;
    }
    int files = 0, untagged = 0;
    for (const QString& file : recordings(root)) {
        ++files;
        untagged += !endsWithTag(file);
    }
    const double hours = wall / 3600.0;
    const double ours = cpu / count / hours;
    const double theirs = recorders.empty() ? 0 : ffmpegCpu / double(recorders.size()) / hours;
    std::printf("%d stations, %s, measured %.0f s, LAME quality %d\n", count, qPrintable(name),
                wall, kLameQuality);
    std::printf("tidewelld: %.1f CPU s per station-hour, %.0f %% of one core\n", ours,
                100.0 * cpu / wall);
    if (!recorders.empty())
        std::printf("ffmpeg:    %.1f CPU s per station-hour; ratio %.2f\n", theirs, ours / theirs);
    std::printf("machine:   %.0f %% busy\n",
                100.0 * (busyEnd - busyStart) / (totalEnd - totalStart));
    // After the first minute the memory should stay flat.
    const auto settled = memory.begin() + std::min<size_t>(6, memory.size() - 1);
    const auto [low, high] = std::minmax_element(settled, memory.end());
    std::printf("memory:    %.0f MiB after the first minute, %.0f to %.0f MiB later "
                "(%.2f MiB per station)\n",
                *settled, *low, *high, *high / count);
    if (webPort)
        printWrk(QString::fromUtf8(wrk.readAllStandardOutput()));
    if (format.record)
        std::printf("files:     %d, %d without their tag; %d of %d recorded more or less than the "
                    "wall time +-2 s (worst %+.1f s of audio)\n",
                    files, untagged, off, int(bytesAfter.size()), worst);
    return format.record && (off > 0 || untagged > 0 || bytesAfter.size() < count) ? 3 : 0;
}

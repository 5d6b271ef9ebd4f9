// Records N stations from the local test stream (decode, resample 44100 Hz stereo to
// 22050 Hz mono, encode 64 kbit/s) and, in the same run, has ffmpeg do the same
// conversion of the same stream at the same LAME quality. Prints CPU seconds per
// station-hour for both, their ratio, and whether every station kept up.
//
//   record_bench [stations=32] [seconds=60]

#include "ChildProcess.h"
#include "StreamServer.h"
#include "base/TickCount.h"
#include "codec/LameDriver.h"
#include "lang/QVLanguage.h"
#include "program/SoundDevices.h"
#include "settings/FSettings.h"
#include "station/StationEngine.h"
#include "station/StationHost.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

class BenchHost : public StationHost {
public:
    explicit BenchHost(const QString& root) : language_(TIDEWELL_SOURCE_DIR "/lang/tidewell.") {
        language_.SelectLanguage(language_.FindLanguage(QStringLiteral("English")));
        settings_.Root = root;
    }
    TLanguage& Language() override { return language_; }
    void LogEvent(const QString& station, const QString& text) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(station), qPrintable(text));
    }
    void QueueNotice(const QString&, const QString&, const QString&) override {}
    void RunCommand(const QString&) override {}
    void ListenShutup() override {}
    void WriteListenChannel(int) override {}
    const TSettings& GlobalSettings() override { return settings_; }
    QString ProgramFolder() const override { return settings_.Root; }
    void AddFile(int, const QString&) override {}

private:
    TLanguage language_;
    TSettings settings_;
};

double selfCpu() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// User and system time of another process, from /proc.
double processCpu(pid_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / sysconf(_SC_CLK_TCK);
}

qint64 bytesBelow(const QString& folder) {
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        total += QFileInfo(it.next()).size();
    return total;
}

int formatIndex(int rate, int channels, int kbps) {
    for (const Mp3Format& f : Mp3Formats())
        if (f.rate == rate && f.channels == channels && f.kbps == kbps)
            return int(f.index);
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 32;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 60;
    StreamServer server;
    QTemporaryDir dir;
    if (!server.start() || !dir.isValid()) {
        std::fprintf(stderr, "the test stream server did not start\n");
        return 1;
    }
    TSettings settings;
    SoundDevices devices(settings);
    devices.BassInit();
    BenchHost host(dir.filePath(QStringLiteral("Record")));
    const QString url = server.url(QStringLiteral("/stream.mp3"));

    std::vector<std::unique_ptr<StationEngine>> stations;
    for (int i = 0; i < count; ++i) {
        StationConfig cfg;
        cfg.Name = cfg.FileDir = QStringLiteral("S%1").arg(i);
        cfg.URL = url;
        cfg.Driver = LameDriver().LongName();
        cfg.Codec = formatIndex(22050, 1, 64);
        cfg.Bitrate = 22050;
        cfg.Channels = 1;
        stations.push_back(std::make_unique<StationEngine>(host, i, i, cfg, settings.Buffer));
        stations.back()->Record_Start();
    }
    ChildProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-nostdin", "-loglevel", "error", "-i", url, "-ar", "22050", "-ac", "1", "-c:a",
                  "libmp3lame", "-b:a", "64k", "-compression_level", QString::number(kLameQuality),
                  "-f", "mp3", "-y", dir.filePath(QStringLiteral("ffmpeg.mp3"))});
    auto allRecording = [&] {
        for (const auto& s : stations)
            if (!s->Recorder().Encoder().IsOpen)
                return false;
        return true;
    };
    if (!QTest::qWaitFor(allRecording, 60000)) {
        std::fprintf(stderr, "not every station started recording\n");
        return 2;
    }
    QTest::qWait(3000);

    const QString root = dir.filePath(QStringLiteral("Record"));
    const qint64 bytesStart = bytesBelow(root);
    const double cpuStart = selfCpu();
    const double ffmpegStart = processCpu(ffmpeg.pid());
    QElapsedTimer timer;
    timer.start();
    QTest::qWait(seconds * 1000);
    const double wall = timer.elapsed() / 1000.0;
    const double cpu = selfCpu() - cpuStart;
    const double ffmpegCpu = processCpu(ffmpeg.pid()) - ffmpegStart;
    const qint64 written = bytesBelow(root) - bytesStart;
    ffmpeg.stop();
    stations.clear();

    const double hours = wall / 3600.0;
    const double ours = cpu / count / hours;
    const double theirs = ffmpegCpu / hours;
    // 64 kbit/s is 8000 bytes a second; a station that fell behind wrote less.
    const double keptUp = double(written) / count / 8000.0 / wall;
    std::printf("stations: %d, measured %.1f s, LAME quality %d\n", count, wall, kLameQuality);
    std::printf("tidewell: %.1f %% of one core, %.1f CPU s per station-hour\n", 100.0 * cpu / wall,
                ours);
    std::printf("ffmpeg:   %.1f CPU s per hour of the same conversion\n", theirs);
    std::printf("ratio:    %.2f\n", theirs > 0 ? ours / theirs : 0.0);
    std::printf("written:  %.1f %% of real time per station\n", 100.0 * keptUp);
    return keptUp > 0.97 ? 0 : 3;
}

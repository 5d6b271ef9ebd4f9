// Keeps N streams from the local test server online (not recording, not listened to)
// for a fixed time and prints what they cost: CPU seconds per stream-hour and peak
// memory per stream.
//
//   stream_bench [streams=64] [seconds=60]

#include "StreamServer.h"
#include "base/TickCount.h"
#include "program/SoundDevices.h"
#include "settings/FSettings.h"
#include "station/StreamDisplay.h"
#include "station/StreamWorker.h"
#include "station/TStation.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <sys/resource.h>

#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long peakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 64;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 60;
    StreamServer server;
    if (!server.start()) {
        std::fprintf(stderr, "the test stream server did not start\n");
        return 1;
    }
    TSettings settings;
    SoundDevices devices(settings);
    devices.UpdateSoundCards(GetTickCount64Ex());
    devices.BassInit();

    const long baseKiB = peakKiB();
    std::vector<std::unique_ptr<TStation>> stations;
    for (int i = 0; i < count; ++i) {
        auto st = std::make_unique<TStation>();
        st->Config.URL = server.url(QStringLiteral("/stream.mp3"));
        st->BufferTimeout = settings.Buffer;
        st->WorkerThread = std::thread(StreamWorker, st.get());
        st->LinkState = LINK_CONNECT;
        st->WakeWorker();
        stations.push_back(std::move(st));
    }
    // Wait until all are online, then measure a steady period, consuming the blocks
    // as the station ticks do.
    qint64 pcmBytes = 0;
    auto tick = [&] {
        int online = 0;
        PcmBlock block;
        for (auto& st : stations) {
            Show_Buffer(*st);
            while (st->BlockQueue.TakeOldest(&block))
                pcmBytes += block.Data.size();
            online += st->LinkState == LINK_ONLINE ? 1 : 0;
        }
        return online;
    };
    QElapsedTimer timer;
    timer.start();
    while (tick() < count && timer.elapsed() < 60000)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const double cpuStart = cpuSeconds();
    timer.restart();
    pcmBytes = 0;
    int minOnline = count;
    while (timer.elapsed() < seconds * 1000LL) {
        minOnline = std::min(minOnline, tick());
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const double cpu = cpuSeconds() - cpuStart;
    const double wall = timer.elapsed() / 1000.0;
    const long peak = peakKiB();
    for (auto& st : stations) {
        st->StopWorker = true;
        st->WakeWorker();
    }
    for (auto& st : stations)
        st->WorkerThread.join();

    std::printf("streams: %d, measured: %.1f s, fewest online: %d\n", count, wall, minOnline);
    std::printf("CPU: %.3f s in all = %.1f %% of one core; %.1f CPU s per stream-hour\n", cpu,
                100.0 * cpu / wall, cpu / count / (wall / 3600.0));
    // The test stream is 44100 Hz stereo: 176400 bytes of PCM a second.
    const double pcmSeconds = double(pcmBytes) / 176400.0 / count;
    std::printf("pacing: %.2f s of PCM per stream in %.2f s (%+.2f %%)\n", pcmSeconds, wall,
                100.0 * (pcmSeconds - wall) / wall);
    std::printf("memory: peak %ld KiB, %.2f MiB per stream above the %ld KiB baseline\n", peak,
                double(peak - baseKiB) / count / 1024.0, baseKiB);
    return minOnline == count ? 0 : 2;
}

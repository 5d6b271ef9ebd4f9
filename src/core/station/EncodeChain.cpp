#include "station/EncodeChain.h"

#include "base/WorkerPool.h"
#include "recording/OpenRecordings.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

#include <utility>

namespace {

constexpr qsizetype kPendingLimit = 64 * 1024;

// How many of the bytes the disk took: fewer than given when it is full or a size
// limit is reached.
qint64 writeAll(int fd, const quint8* bytes, qint64 count) {
    qint64 done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, bytes + done, size_t(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

} // namespace

// Touched only on the strand, except `outcome`, which the tick collects.
struct EncodeChain::Stages {
    tWaveConverter resampler;
    TACM encoder{ACM_ENCODE, 44100, 2, WAVE_FORMAT_MPEGLAYER3, false};
    int fd = -1;
    qint64 fileBytes = 0; // what the file took
    bool writeFailed = false;
    QByteArray pending; // encoded, not yet written
    std::mutex outcomeLock;
    Outcome outcome;

    Stages() {
        resampler.OnData = [this](const quint8* b, qint32 n) {
            if (encoder.IsOpen)
                encoder.Convert(b, n);
        };
        encoder.OnData = [this](const quint8* b, qint32 n) { write(b, n); };
        encoder.OnError = [this](const QString& message) {
            const std::lock_guard lock(outcomeLock);
            outcome.codecError = message;
        };
    }
    ~Stages() { closeFile(); }

    // The encoder's frames gather here and go to the disk in one write per task: a
    // write per frame was a system call every 26 ms for each station.
    void write(const quint8* bytes, qint32 count) {
        if (fd < 0 || writeFailed)
            return;
        pending.append(reinterpret_cast<const char*>(bytes), count);
        if (pending.size() >= kPendingLimit)
            flush();
    }
    void flush() {
        if (pending.isEmpty())
            return;
        const qint64 count = pending.size();
        const qint64 taken =
            fd >= 0 && !writeFailed
                ? writeAll(fd, reinterpret_cast<const quint8*>(pending.constData()), count)
                : 0;
        pending.resize(0); // keeps its capacity for the next task
        const std::lock_guard lock(outcomeLock);
        fileBytes += taken;
        outcome.written += taken;
        if (taken < count)
            writeFailed = outcome.writeFailed = true;
    }
    // After a write the disk took only in part, the tag goes over the end of what the
    // file already holds, so that even a full disk leaves it ending with its tag; the
    // last frame loses its tail, which players skip.
    void writeTag(const QByteArray& tag) {
        flush();
        if (fd < 0)
            return;
        if (writeFailed) {
            const off_t end = ::lseek(fd, 0, SEEK_END);
            const off_t at = std::min<off_t>(fileBytes, end - tag.size());
            if (at >= 0 && ::ftruncate(fd, at) == 0)
                ::lseek(fd, at, SEEK_SET);
        }
        writeAll(fd, reinterpret_cast<const quint8*>(tag.constData()), tag.size());
    }
    void closeFile() {
        flush();
        if (fd < 0)
            return;
        // The file stays protected from replacement and retention until really closed.
        OpenRecordings::Remove(fd);
        ::close(fd);
        fd = -1;
    }
    void start(const ChainFormat& f) {
        flush();
        // What an earlier start left in the stages never reaches the file.
        const int file = std::exchange(fd, -1);
        resampler.Close();
        encoder.Close();
        fd = file;
        resampler.SetSourceFormat(f.sourceRate, f.sourceChannels, 16);
        resampler.SetDestFormat(f.rate, f.channels, 16);
        encoder.SetSampleRate(f.rate);
        encoder.SetChannels(f.channels);
        encoder.SetThreshold(512);
        encoder.SetInputBufferSize(2 * f.rate);
        if (!resampler.Open()) {
            const std::lock_guard lock(outcomeLock);
            outcome.startFailed = true;
            return;
        }
        // An encoder that does not open drops the PCM stage's output until the
        // stages are next closed, so the codec catalogue is not read again per block.
        encoder.Open(f.codec);
    }
};

EncodeChain::EncodeChain(std::shared_ptr<Strand> strand)
    : stages_(std::make_shared<Stages>()), strand_(std::move(strand)) {}

EncodeChain::~EncodeChain() {
    Wait();
}

void EncodeChain::Start(const ChainFormat& format) {
    strand_->Post([s = stages_, format] { s->start(format); });
}

void EncodeChain::FollowSource(int rate, int channels) {
    strand_->Post([s = stages_, rate, channels] {
        if (!s->resampler.IsOpen)
            return;
        // Closing flushes what the old format left into the encoder.
        s->resampler.Close();
        s->flush();
        s->resampler.SetSourceFormat(rate, channels, 16);
        if (!s->resampler.Open()) {
            const std::lock_guard lock(s->outcomeLock);
            s->outcome.codecError = QStringLiteral("%1 Hz, %2 ch").arg(rate).arg(channels);
        }
    });
}

void EncodeChain::Feed(QList<QByteArray> blocks) {
    strand_->Post([s = stages_, blocks = std::move(blocks)] {
        if (!s->resampler.IsOpen)
            return;
        for (const QByteArray& b : blocks)
            s->resampler.Convert(reinterpret_cast<const quint8*>(b.constData()), qint32(b.size()));
        s->flush();
    });
}

void EncodeChain::SetFile(int fd) {
    strand_->Post([s = stages_, fd] {
        s->closeFile();
        s->fd = fd;
        s->fileBytes = 0;
        s->writeFailed = false;
    });
}

void EncodeChain::Finish(bool flush, const QByteArray& tag) {
    strand_->Post([s = stages_, flush, tag] {
        if (flush) {
            // The PCM stage's flush feeds the encoder, whose flush goes to the file.
            s->resampler.Close();
            s->encoder.Close();
        }
        s->writeTag(tag);
        s->closeFile();
    });
}

EncodeChain::Outcome EncodeChain::Collect() {
    const std::lock_guard lock(stages_->outcomeLock);
    return std::exchange(stages_->outcome, Outcome{});
}

void EncodeChain::Wait() const {
    strand_->Wait();
}

#pragma once

#include "codec/ACM.h"
#include "codec/WaveConverter.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <mutex>

class Strand;

// What the recording is made of: the stream's PCM, the recording's PCM and the codec.
struct ChainFormat {
    int sourceRate = 0;
    int sourceChannels = 0;
    int rate = 0;
    int channels = 0;
    AcmFormatEntry codec;
};

// The costly half of a station's recording: the PCM stage, the encoder and the file
// writes. Everything runs on the station's strand of the encoding pool, so a station's
// blocks stay in order while stations encode in parallel; the station's tick posts its
// decisions (start, new file, close) into the same strand and collects what happened.
class EncodeChain {
public:
    struct Outcome {
        bool startFailed = false; // the PCM stage did not open: the next block tries again
        bool writeFailed = false;
        QString codecError;
        qint64 written = 0; // bytes that reached the file
    };

    explicit EncodeChain(std::shared_ptr<Strand> strand);
    // Waits for what was posted: the last file gets its tag before the chain goes.
    ~EncodeChain();

    void Start(const ChainFormat& format);
    // The stream's format changed: the PCM stage follows, the encoder and file stay.
    void FollowSource(int rate, int channels);
    void Feed(QList<QByteArray> blocks);
    // The file the encoder's output goes to from now on; the chain closes it.
    void SetFile(int fd);
    // Flushes both stages into the file when asked, writes `tag`, closes the file.
    void Finish(bool flush, const QByteArray& tag);
    // Takes what happened since the last call.
    Outcome Collect();
    // Returns once everything posted so far has run; for tests and shutdown.
    void Wait() const;

private:
    struct Stages;
    std::shared_ptr<Stages> stages_;
    std::shared_ptr<Strand> strand_;
};

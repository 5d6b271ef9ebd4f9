#include "TestSupport.h"
#include "codec/ACM.h"
#include "codec/AcmDriver.h"
#include "codec/WaveConverter.h"

#include <gtest/gtest.h>

#include <QtMath>

#include <cmath>
#include <cstring>
#include <stdexcept>

namespace {

const QString kLame = QStringLiteral("MPEG Layer-3 Encoder (LAME)");
constexpr quint16 kLoopTag = 0x7001;

QByteArray sine(int rate, int channels, double seconds, double hz) {
    const int frames = int(std::lround(rate * seconds));
    QByteArray bytes(qsizetype(frames) * channels * 2, '\0');
    auto* out = reinterpret_cast<qint16*>(bytes.data());
    for (int i = 0; i < frames; ++i) {
        const auto v = qint16(std::lround(12000 * std::sin(2 * M_PI * hz * i / rate)));
        for (int c = 0; c < channels; ++c)
            *out++ = v;
    }
    return bytes;
}

// Rising zero crossings of 16-bit mono samples: a sine's frequency times its length.
int risingCrossings(const QByteArray& mono) {
    const auto* s = reinterpret_cast<const qint16*>(mono.constData());
    const qsizetype n = mono.size() / 2;
    int count = 0;
    for (qsizetype i = 1; i < n; ++i)
        if (s[i - 1] < 0 && s[i] >= 0)
            ++count;
    return count;
}

void feed(AcmStreamBuffer& stage, const QByteArray& bytes) {
    stage.Convert(reinterpret_cast<const quint8*>(bytes.constData()), qint32(bytes.size()));
}

// What a conversion stage handed out.
struct Sink {
    explicit Sink(AcmStreamBuffer& stage) {
        stage.OnData = [this](const quint8* b, qint32 n) {
            data.append(reinterpret_cast<const char*>(b), n);
            ++calls;
        };
        stage.OnError = [this](const QString& m) { errors << m; };
    }
    QByteArray data;
    int calls = 0;
    QStringList errors;
};

// CopySome hands its input on unchanged, at most 10000 bytes a call but all of it
// on the flush.
enum class Behaviour { TakeNothing, Fail, Throw, CopySome };

class LoopConversion : public AcmConversion {
public:
    explicit LoopConversion(Behaviour b) : behaviour_(b) {}
    quint32 DestSize(quint32 sourceBytes) const override { return sourceBytes + 64; }
    MMRESULT Convert(ACMSTREAMHEADER& header, quint32 flags) override {
        switch (behaviour_) {
        case Behaviour::TakeNothing:
            return MMSYSERR_NOERROR;
        case Behaviour::Fail:
            return ACMERR_NOTPOSSIBLE;
        case Behaviour::Throw:
            throw std::runtime_error("codec broke");
        case Behaviour::CopySome: {
            quint32 take = header.cbSrcLength;
            if (!(flags & ACM_STREAMCONVERTF_END))
                take = std::min<quint32>(take, 10000);
            take = std::min(take, header.cbDstLength) / 4 * 4;
            std::memcpy(header.pbDst, header.pbSrc, take);
            header.cbSrcLengthUsed = take;
            header.cbDstLengthUsed = take;
            return MMSYSERR_NOERROR;
        }
        }
        return MMSYSERR_ERROR;
    }

private:
    Behaviour behaviour_;
};

// A codec with one format of its own tag at the PCM's shape, whose conversion
// misbehaves in the chosen way.
class LoopDriver : public AcmDriver {
public:
    explicit LoopDriver(Behaviour b) : behaviour_(b) {}
    QString LongName() const override { return QStringLiteral("Test Loop Codec"); }
    QList<ACMFORMATDETAILS> FormatsFrom(const WAVEFORMATEX& source) const override {
        if (source.wFormatTag != WAVE_FORMAT_PCM)
            return {};
        return {{0, kLoopTag, block(source), QStringLiteral("loop")}};
    }
    bool Suggest(const QByteArray& source, quint16 tag, QByteArray* dest) const override {
        if (tag != kLoopTag)
            return false;
        *dest = block(FormatHead(source));
        return true;
    }
    std::unique_ptr<AcmConversion> OpenStream(const QByteArray&,
                                              const QByteArray& dest) const override {
        if (FormatHead(dest).wFormatTag != kLoopTag)
            return nullptr;
        return std::make_unique<LoopConversion>(behaviour_);
    }
    quint32 MaxFormatSize() const override { return sizeof(WAVEFORMATEX); }

private:
    static QByteArray block(WAVEFORMATEX head) {
        head.wFormatTag = kLoopTag;
        head.cbSize = 0;
        return FormatBlock(head);
    }
    Behaviour behaviour_;
};

// Installs a driver for one test; the test keeps no reference, so removal succeeds.
class ScopedDriver {
public:
    explicit ScopedDriver(std::shared_ptr<AcmDriver> driver)
        : id_(acmDriverAdd(std::move(driver))) {}
    ~ScopedDriver() { EXPECT_EQ(acmDriverRemove(id_), MMSYSERR_NOERROR); }
    ScopedDriver(const ScopedDriver&) = delete;
    ScopedDriver& operator=(const ScopedDriver&) = delete;

private:
    HACMDRIVERID id_;
};

// Opens the encoder on the loop codec, found through the catalogue.
AcmFormatEntry openLoop(TACM& acm) {
    acm.Enumerate();
    EXPECT_TRUE(acm.SelectDriver(QStringLiteral("Test Loop Codec")));
    const AcmFormatEntry* entry = acm.FormatAt(0);
    EXPECT_NE(entry, nullptr);
    if (!entry)
        return {};
    EXPECT_EQ(acm.Open(*entry), MMSYSERR_NOERROR);
    return *entry;
}

// Frames of constant bit rate: 72000 * kbps / rate bytes on average (MPEG-2).
int mpegFrames(const QByteArray& mp3, int kbps, int rate) {
    return int(std::lround(mp3.size() / (72000.0 * kbps / rate)));
}

} // namespace

TEST(WaveConverter, ABlockLongerThanTheBufferConvertsInRoundsAndKeepsTime) {
    tWaveConverter wc;
    Sink sink(wc);
    wc.SetSourceFormat(44100, 2, 16);
    wc.SetDestFormat(22050, 1, 16);
    ASSERT_TRUE(wc.Open());
    EXPECT_EQ(wc.InputSize, 44100 * 4); // one second of source
    EXPECT_EQ(wc.Threshold, 0);

    feed(wc, sine(44100, 2, 3.0, 1000));
    EXPECT_GE(sink.calls, 3);
    EXPECT_EQ(wc.Filled, 0);
    const qsizetype beforeFlush = sink.data.size();
    wc.Close();
    EXPECT_GT(sink.data.size(), beforeFlush); // the resampler's held-back tail
    EXPECT_TRUE(sink.errors.isEmpty()) << sink.errors.join(u'\n').toStdString();
    EXPECT_FALSE(wc.IsOpen);
    EXPECT_EQ(wc.Stream, nullptr);

    // Three seconds in, three seconds of 22050 Hz mono out, the pitch unchanged.
    // Within two samples: the resampler's tail alone is some 16 samples.
    EXPECT_NEAR(sink.data.size() / 2, 3 * 22050, 2);
    EXPECT_NEAR(risingCrossings(sink.data), 3000, 3);
}

TEST(WaveConverter, TheStreamsOwnFormatPassesByteForByte) {
    tWaveConverter wc;
    Sink sink(wc);
    wc.SetSourceFormat(44100, 2, 16);
    wc.SetDestFormat(44100, 2, 16);
    ASSERT_TRUE(wc.Open());
    const QByteArray pcm = sine(44100, 2, 2.5, 1000); // longer than the buffer
    feed(wc, pcm.left(4608));
    feed(wc, pcm.mid(4608));
    wc.Close();
    EXPECT_TRUE(sink.errors.isEmpty()) << sink.errors.join(u'\n').toStdString();
    EXPECT_EQ(sink.data, pcm);
}

TEST(WaveConverter, LowRateStreamsRiseTo22050) {
    tWaveConverter wc;
    Sink sink(wc);
    wc.SetSourceFormat(8000, 1, 16);
    wc.SetDestFormat(22050, 1, 16);
    ASSERT_TRUE(wc.Open());
    EXPECT_EQ(wc.InputSize, 16000);
    // In pieces smaller than the buffer, each converted at once.
    const QByteArray pcm = sine(8000, 1, 2.0, 500);
    for (qsizetype at = 0; at < pcm.size(); at += 3000)
        feed(wc, pcm.mid(at, 3000));
    EXPECT_EQ(sink.calls, int((pcm.size() + 2999) / 3000));
    wc.Close();
    EXPECT_TRUE(sink.errors.isEmpty()) << sink.errors.join(u'\n').toStdString();
    EXPECT_NEAR(sink.data.size() / 2, 2 * 22050, 2);
    EXPECT_NEAR(risingCrossings(sink.data), 1000, 2);
}

TEST(WaveConverter, OpenRules) {
    tWaveConverter wc;
    wc.SetSourceFormat(48000, 2, 16);
    wc.SetDestFormat(44100, 2, 16);
    ASSERT_TRUE(wc.Open());
    EXPECT_FALSE(wc.Open());
    EXPECT_TRUE(wc.IsOpen);
    wc.Close();
    EXPECT_EQ(wc.MinInputSize, 192000u);

    // The buffer never shrinks below the largest second seen.
    wc.SetSourceFormat(8000, 1, 16);
    wc.SetDestFormat(22050, 1, 16);
    ASSERT_TRUE(wc.Open());
    EXPECT_EQ(wc.InputSize, 192000);
    wc.Close();

    // No codec converts from 0 Hz.
    wc.SetSourceFormat(0, 2, 16);
    EXPECT_FALSE(wc.Open());
    EXPECT_FALSE(wc.IsOpen);
    EXPECT_EQ(wc.Stream, nullptr);
    wc.Close(); // nothing open: no effect

    wc.SetSourceFormat(22050, 1, 16);
    ASSERT_TRUE(wc.Open());
    wc.Close();
}

TEST(WaveConverter, OneRoundAboveOneMebibyteFailsToOpen) {
    tWaveConverter wc;
    wc.SetSourceFormat(44100, 2, 16);
    wc.SetDestFormat(48000, 2, 16);
    // Six seconds of source make over 1 MiB at 48000 Hz stereo, five do not.
    wc.MinInputSize = 44100 * 4 * 6;
    EXPECT_FALSE(wc.Open());
    EXPECT_FALSE(wc.IsOpen);
    EXPECT_EQ(wc.Stream, nullptr);
    wc.MinInputSize = 44100 * 4 * 5;
    EXPECT_TRUE(wc.Open());
    EXPECT_EQ(wc.OutputSize, (48000 * 5 + 256) * 4);
    wc.Close();
}

TEST(AcmEncoder, BufferSettingsStayInRange) {
    TACM acm(ACM_ENCODE, 44100, 2, WAVE_FORMAT_MPEGLAYER3, false);
    EXPECT_EQ(acm.InputSize, 44100); // a quarter second
    EXPECT_EQ(acm.Threshold, 44100 / 4);
    acm.SetThreshold(10);
    EXPECT_EQ(acm.Threshold, 512);
    acm.SetThreshold(1 << 30);
    EXPECT_EQ(acm.Threshold, 44100);
    acm.SetInputBufferSize(100);
    EXPECT_EQ(acm.InputSize, 512);
    EXPECT_EQ(acm.InputBuffer.size(), 512);
    EXPECT_EQ(acm.Threshold, 512);
    acm.SetInputBufferSize(88200);
    EXPECT_EQ(acm.InputSize, 88200);
    EXPECT_EQ(acm.Threshold, 512);
}

TEST(AcmEncoder, CloseFlushesWhatIsStillBuffered) {
    TACM acm(ACM_ENCODE, 22050, 1, WAVE_FORMAT_MPEGLAYER3, true);
    ASSERT_TRUE(acm.SelectDriver(kLame));
    const AcmFormatEntry* entry =
        acm.FindFormat(kLame, QStringLiteral("64 kBit/s, 22050 Hz, Mono"));
    ASSERT_NE(entry, nullptr);
    Sink sink(acm);
    int opened = 0;
    int closed = 0;
    acm.OnOpen = [&] { ++opened; };
    acm.OnClose = [&] { ++closed; };
    ASSERT_EQ(acm.Open(*entry), MMSYSERR_NOERROR);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(acm.ActiveFormat.Format, entry->Format);
    EXPECT_NE(acm.Open(*entry), MMSYSERR_NOERROR); // already open

    const QByteArray pcm = sine(22050, 1, 2.0, 440);
    for (qsizetype at = 0; at < pcm.size(); at += 1000)
        feed(acm, pcm.mid(at, 1000));
    ASSERT_GT(acm.Filled, 0);
    const qsizetype beforeClose = sink.data.size();
    acm.Close();
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(acm.IsOpen);
    EXPECT_TRUE(sink.errors.isEmpty()) << sink.errors.join(u'\n').toStdString();

    // 64 kbit/s at 22050 Hz: frames of 208 or 209 bytes, 576 samples each. All of the
    // 44100 samples come out, after the encoder's delay of 1105 samples, in whole frames.
    const int frames = mpegFrames(sink.data, 64, 22050);
    EXPECT_GE(sink.data.size() - beforeClose, 2 * 208);
    EXPECT_GT(frames * 576, 44100 + 1105);
    EXPECT_LT(frames * 576, 44100 + 1105 + 576);
    EXPECT_NEAR(double(sink.data.size()), 2 * 64000 / 8, 4 * 209);

    // A second Close does nothing more.
    const qsizetype total = sink.data.size();
    acm.Close();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(sink.data.size(), total);
}

TEST(AcmEncoder, AFullBufferTheCodecTakesNothingOfIsDropped) {
    const ScopedDriver loop(std::make_shared<LoopDriver>(Behaviour::TakeNothing));
    TACM acm(ACM_ENCODE, 44100, 2, kLoopTag, false);
    Sink sink(acm);
    qint32 reportedUsed = 0;
    acm.OnSourceUsed = [&](const quint8*, qint32 used) { reportedUsed += used; };
    openLoop(acm);
    ASSERT_TRUE(acm.IsOpen);
    const qint32 size = acm.InputSize;
    const QByteArray pcm = sine(44100, 2, 0.5, 440);

    // Below a full buffer the bytes wait, however often the codec is asked.
    feed(acm, pcm.left(size - 4000));
    feed(acm, pcm.mid(size - 4000, 2000));
    EXPECT_TRUE(sink.errors.isEmpty());
    EXPECT_EQ(acm.Filled, size - 2000);

    // Filling it drops the whole buffer once; the rest of the block starts a new one.
    feed(acm, pcm.mid(size - 2000, 2000 + 3000));
    ASSERT_EQ(sink.errors.size(), 1);
    EXPECT_EQ(sink.errors[0], QStringLiteral("Error 1024.hdr1: %1(%1), Dst 0 (%2), Shift=%1")
                                  .arg(size)
                                  .arg(acm.OutputSize));
    EXPECT_EQ(acm.Filled, 3000);
    EXPECT_EQ(reportedUsed, size);
    EXPECT_EQ(sink.calls, 0);

    // Exactly a buffer's worth in one call leaves it empty.
    feed(acm, pcm.left(size - 3000));
    EXPECT_EQ(sink.errors.size(), 2);
    EXPECT_EQ(acm.Filled, 0);
    acm.Close();
}

TEST(AcmEncoder, AFailingConversionReportsTheBuffersBeforeAndAfter) {
    const ScopedDriver loop(std::make_shared<LoopDriver>(Behaviour::Fail));
    TACM acm(ACM_ENCODE, 44100, 2, kLoopTag, false);
    Sink sink(acm);
    openLoop(acm);
    ASSERT_TRUE(acm.IsOpen);
    const QByteArray pcm = sine(44100, 2, 0.1, 440);
    const qint32 threshold = acm.Threshold;

    feed(acm, pcm.left(threshold - 4));
    EXPECT_TRUE(sink.errors.isEmpty()); // below the threshold nothing is converted
    feed(acm, pcm.mid(threshold - 4, 8));
    const QString state = QStringLiteral("%1(%2), Dst 0 (%3), Shift=%1")
                              .arg(threshold + 4)
                              .arg(acm.InputSize)
                              .arg(acm.OutputSize);
    EXPECT_EQ(sink.errors, (QStringList{QStringLiteral("Error 512.hdr1: ") + state,
                                        QStringLiteral("hdr2: ") + state}));
    // Nothing was taken: the bytes wait for the next try.
    EXPECT_EQ(acm.Filled, threshold + 4);
    EXPECT_TRUE(acm.IsOpen);

    // The flush fails the same way and still closes.
    sink.errors.clear();
    acm.Close();
    EXPECT_EQ(sink.errors.size(), 2);
    EXPECT_TRUE(sink.errors.value(0).startsWith(QStringLiteral("Error 512.hdr1: ")));
    EXPECT_FALSE(acm.IsOpen);
    EXPECT_EQ(acm.Stream, nullptr);
}

TEST(AcmEncoder, ACodecThatThrowsIsReportedAsAFailedCall) {
    const ScopedDriver loop(std::make_shared<LoopDriver>(Behaviour::Throw));
    TACM acm(ACM_ENCODE, 44100, 2, kLoopTag, false);
    Sink sink(acm);
    openLoop(acm);
    ASSERT_TRUE(acm.IsOpen);
    feed(acm, sine(44100, 2, 0.1, 440));
    ASSERT_EQ(sink.errors.size(), 3);
    EXPECT_EQ(sink.errors[0], QStringLiteral("codec broke"));
    EXPECT_TRUE(sink.errors[1].startsWith(QStringLiteral("Error 512.hdr1: ")));
    EXPECT_TRUE(sink.errors[2].startsWith(QStringLiteral("hdr2: ")));
    acm.Close();
    EXPECT_FALSE(acm.IsOpen);
}

TEST(AcmEncoder, ClosingFromItsOwnDataEventEndsClosed) {
    TACM acm(ACM_ENCODE, 22050, 1, WAVE_FORMAT_MPEGLAYER3, true);
    ASSERT_TRUE(acm.SelectDriver(kLame));
    const AcmFormatEntry entry =
        *acm.FindFormat(kLame, QStringLiteral("64 kBit/s, 22050 Hz, Mono"));
    QStringList errors;
    acm.OnError = [&](const QString& m) { errors << m; };
    int closed = 0;
    acm.OnClose = [&] { ++closed; };
    QByteArray out;
    bool closeAsked = false;
    acm.OnData = [&](const quint8* b, qint32 n) {
        out.append(reinterpret_cast<const char*>(b), n);
        if (!closeAsked) {
            closeAsked = true; // as the recorder does when the disk refuses a write
            acm.Close();
        }
    };
    ASSERT_EQ(acm.Open(entry), MMSYSERR_NOERROR);
    const QByteArray pcm = sine(22050, 1, 2.0, 440);
    feed(acm, pcm);
    EXPECT_TRUE(closeAsked);
    EXPECT_EQ(errors, QStringList{QStringLiteral("Recurced!")});
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(acm.IsOpen);
    EXPECT_FALSE(acm.Busy);
    EXPECT_EQ(acm.Stream, nullptr);
    EXPECT_EQ(acm.Filled, 0);
    ASSERT_FALSE(out.isEmpty());
    EXPECT_EQ(quint8(out[0]), 0xFF);

    // A handler that asks again on every event still ends with the encoder closed.
    bool everyTime = true;
    acm.OnData = [&](const quint8* b, qint32 n) {
        out.append(reinterpret_cast<const char*>(b), n);
        if (everyTime)
            acm.Close();
    };
    errors.clear();
    ASSERT_EQ(acm.Open(entry), MMSYSERR_NOERROR);
    feed(acm, pcm);
    EXPECT_FALSE(acm.IsOpen);
    EXPECT_EQ(acm.Stream, nullptr);
    ASSERT_FALSE(errors.isEmpty());
    EXPECT_EQ(errors.filter(QStringLiteral("Recurced!")).size(), errors.size());
    everyTime = false;

    // Feeding a closed encoder does nothing; it opens again and encodes from scratch.
    const qsizetype before = out.size();
    feed(acm, pcm);
    EXPECT_EQ(out.size(), before);
    out.clear();
    errors.clear();
    closed = 0;
    ASSERT_EQ(acm.Open(entry), MMSYSERR_NOERROR);
    feed(acm, pcm);
    acm.Close();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(closed, 1);
    ASSERT_GE(out.size(), 2);
    EXPECT_EQ(quint8(out[0]), 0xFF);
    EXPECT_EQ(quint8(out[1]) & 0xE0, 0xE0);
}

// The flush of a Close from inside the data event takes only what the codec left;
// bytes already handed out never come a second time.
TEST(AcmEncoder, ClosingFromTheDataEventDeliversEachByteOnce) {
    const ScopedDriver loop(std::make_shared<LoopDriver>(Behaviour::CopySome));
    const QByteArray pcm = sine(44100, 2, 0.5, 440);
    for (const bool everyTime : {false, true}) {
        SCOPED_TRACE(everyTime);
        TACM acm(ACM_ENCODE, 44100, 2, kLoopTag, false);
        QStringList errors;
        acm.OnError = [&](const QString& m) { errors << m; };
        QByteArray out;
        bool closeAsked = false;
        acm.OnData = [&](const quint8* b, qint32 n) {
            out.append(reinterpret_cast<const char*>(b), n);
            if (everyTime || !closeAsked) {
                closeAsked = true;
                acm.Close();
            }
        };
        openLoop(acm);
        ASSERT_TRUE(acm.IsOpen);
        ASSERT_EQ(acm.InputSize, 44100);
        feed(acm, pcm);
        EXPECT_FALSE(acm.IsOpen);
        EXPECT_EQ(acm.Filled, 0);
        // The first full buffer: 10000 bytes, then the flush's 34100, in order.
        EXPECT_EQ(out.size(), 44100);
        EXPECT_TRUE(out == pcm.left(44100));
        ASSERT_FALSE(errors.isEmpty());
        EXPECT_EQ(errors.filter(QStringLiteral("Recurced!")).size(), errors.size());
    }
}

#include "TestSupport.h"
#include "base/WorkerPool.h"
#include "codec/LameDriver.h"
#include "station/EncodeChain.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <fcntl.h>

namespace {

// One second of a 440 Hz tone as 16-bit PCM.
QByteArray toneSecond(int rate, int channels) {
    QByteArray pcm(rate * channels * 2, Qt::Uninitialized);
    auto* s = reinterpret_cast<qint16*>(pcm.data());
    for (int i = 0; i < rate; ++i)
        for (int c = 0; c < channels; ++c)
            *s++ = qint16(8000 * std::sin(2 * M_PI * 440 * i / rate));
    return pcm;
}

} // namespace

// A reconnect to a mirror at another rate and channel count while the file is open:
// the PCM stage follows the stream, so every second given is a second in the file, at
// the file's own format.
TEST(EncodeChainTest, TheFileKeepsItsFormatWhenTheStreamChangesItsOwn) {
    TACM catalogue(ACM_ENCODE, 22050, 1, WAVE_FORMAT_MPEGLAYER3, false);
    catalogue.Enumerate();
    ASSERT_TRUE(catalogue.SelectDriver(LameDriver().LongName()));
    const AcmFormatEntry* codec =
        catalogue.FindFormat(LameDriver().LongName(), QStringLiteral("64 kBit/s, 22050 Hz, Mono"));
    ASSERT_NE(codec, nullptr);
    TestFolder folder;
    const QString file = folder.path("changed.MP3");
    WorkerPool pool(2);
    EncodeChain chain(pool.NewStrand());
    chain.SetFile(::open(QFile::encodeName(file).constData(), O_CREAT | O_WRONLY, 0644));
    chain.Start({44100, 2, 22050, 1, *codec});
    chain.Feed({toneSecond(44100, 2), toneSecond(44100, 2)});
    chain.FollowSource(48000, 1);
    chain.Feed({toneSecond(48000, 1), toneSecond(48000, 1)});
    chain.Finish(true, QByteArray("TAG").leftJustified(128, '\0'));
    chain.Wait();
    const EncodeChain::Outcome outcome = chain.Collect();
    EXPECT_FALSE(outcome.startFailed || outcome.writeFailed);
    const AudioProbe probe = ProbeAudio(file);
    ASSERT_TRUE(probe.ok);
    EXPECT_EQ(probe.sampleRate, 22050);
    EXPECT_EQ(probe.channels, 1);
    EXPECT_NEAR(probe.duration, 4.0, 0.15);
    EXPECT_EQ(QFileInfo(file).size(), outcome.written + 128);
}

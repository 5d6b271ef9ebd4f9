#include "TestSupport.h"
#include "codec/ACM.h"
#include "codec/AcmDriver.h"
#include "codec/LameDriver.h"
#include "codec/PcmDriver.h"

#include <gtest/gtest.h>

#include <QtMath>

#include <cmath>
#include <optional>

namespace {

const QString kLame = QStringLiteral("MPEG Layer-3 Encoder (LAME)");
const QString kPcm = QStringLiteral("PCM Converter (libswresample)");
constexpr quint16 kAdpcmTag = 2;

struct FakeFormat {
    quint32 index;
    quint16 tag;
    int rate;
    int channels;
    QString text;
};

QByteArray fakeBlock(const FakeFormat& f) {
    WAVEFORMATEX head;
    head.wFormatTag = f.tag;
    head.nChannels = quint16(f.channels);
    head.nSamplesPerSec = quint32(f.rate);
    head.nAvgBytesPerSec = quint32(f.rate * f.channels / 2);
    head.nBlockAlign = quint16(256 * f.channels);
    head.wBitsPerSample = 4;
    return FormatBlock(head);
}

// A driver for the catalogue only: it offers its formats from any 16-bit PCM, whatever
// their shape, so that sorting them out is left to the catalogue.
class FakeDriver : public AcmDriver {
public:
    FakeDriver(QString name, QList<FakeFormat> formats)
        : name_(std::move(name)), formats_(std::move(formats)) {}
    bool opens = true;
    bool suggests = true;

    QString LongName() const override { return name_; }
    bool Open() override { return opens; }
    QList<ACMFORMATDETAILS> FormatsFrom(const WAVEFORMATEX& source) const override {
        QList<ACMFORMATDETAILS> list;
        if (source.wFormatTag != WAVE_FORMAT_PCM)
            return list;
        for (const FakeFormat& f : formats_)
            list.append({f.index, f.tag, fakeBlock(f), f.text});
        return list;
    }
    bool Suggest(const QByteArray&, quint16 tag, QByteArray* dest) const override {
        if (!suggests)
            return false;
        for (const FakeFormat& f : formats_)
            if (f.tag == tag) {
                *dest = fakeBlock(f);
                return true;
            }
        return false;
    }
    std::unique_ptr<AcmConversion> OpenStream(const QByteArray&, const QByteArray&) const override {
        return nullptr;
    }
    quint32 MaxFormatSize() const override { return sizeof(WAVEFORMATEX); }

private:
    QString name_;
    QList<FakeFormat> formats_;
};

// Installs a driver for one test. The layer refuses to remove a driver someone else
// still holds, so the test keeps no reference of its own.
class ScopedDriver {
public:
    explicit ScopedDriver(std::shared_ptr<AcmDriver> driver)
        : id_(acmDriverAdd(std::move(driver))) {}
    ~ScopedDriver() { EXPECT_EQ(acmDriverRemove(id_), MMSYSERR_NOERROR); }
    ScopedDriver(const ScopedDriver&) = delete;
    ScopedDriver& operator=(const ScopedDriver&) = delete;
    HACMDRIVERID id() const { return id_; }

private:
    HACMDRIVERID id_;
};

ScopedDriver installFake(const QString& name, QList<FakeFormat> formats, bool opens = true,
                         bool suggests = true) {
    auto driver = std::make_shared<FakeDriver>(name, std::move(formats));
    driver->opens = opens;
    driver->suggests = suggests;
    return ScopedDriver(std::move(driver));
}

QStringList driverNames(const TACM& acm) {
    QStringList names;
    for (const AcmDriverEntry& d : acm.Drivers)
        names << d.LongName;
    return names;
}

const AcmDriverEntry* driverNamed(const TACM& acm, const QString& name) {
    for (const AcmDriverEntry& d : acm.Drivers)
        if (d.LongName == name)
            return &d;
    return nullptr;
}

HACMDRIVERID lameDriverId() {
    HACMDRIVERID found = 0;
    acmDriverEnum([&](HACMDRIVERID id) {
        QString name;
        if (acmDriverDetails(id, &name) == MMSYSERR_NOERROR && name == kLame) {
            found = id;
            return false;
        }
        return true;
    });
    return found;
}

QByteArray sine(int rate, int channels, double seconds, double hz) {
    const int frames = int(rate * seconds);
    QByteArray bytes(qsizetype(frames) * channels * 2, '\0');
    auto* out = reinterpret_cast<qint16*>(bytes.data());
    for (int i = 0; i < frames; ++i) {
        const auto v = qint16(std::lround(12000 * std::sin(2 * M_PI * hz * i / rate)));
        for (int c = 0; c < channels; ++c)
            *out++ = v;
    }
    return bytes;
}

struct FrameHeader {
    int rate = 0;
    int kbps = 0;
    bool mono = false;
    int length = 0; // bytes, header included
};

// The header of an MPEG Layer III frame at `at`, if there is one.
std::optional<FrameHeader> frameAt(const QByteArray& bytes, qsizetype at) {
    if (at + 4 > bytes.size())
        return std::nullopt;
    const auto* b = reinterpret_cast<const quint8*>(bytes.constData()) + at;
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0 || ((b[1] >> 1) & 3) != 1)
        return std::nullopt;
    static const int mpeg1Rates[] = {0,   32,  40,  48,  56,  64,  80, 96,
                                     112, 128, 160, 192, 224, 256, 320};
    static const int mpeg2Rates[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static const int baseRates[] = {44100, 48000, 32000};
    const int version = (b[1] >> 3) & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int rateIndex = (b[2] >> 2) & 3;
    const int bitIndex = b[2] >> 4;
    if (version == 1 || rateIndex == 3 || bitIndex == 0 || bitIndex == 15)
        return std::nullopt;
    FrameHeader h;
    h.rate = baseRates[rateIndex] / (version == 3 ? 1 : version == 2 ? 2 : 4);
    h.kbps = version == 3 ? mpeg1Rates[bitIndex] : mpeg2Rates[bitIndex];
    h.mono = (b[3] >> 6) == 3;
    const int perFrame = version == 3 ? 144000 : 72000;
    h.length = perFrame * h.kbps / h.rate + ((b[2] >> 1) & 1);
    return h;
}

// Every format of the table, in its order, for one rate and channel count.
QList<Mp3Format> tableFor(int rate, int channels) {
    QList<Mp3Format> list;
    for (const Mp3Format& f : Mp3Formats())
        if (f.rate == rate && f.channels == channels)
            list << f;
    return list;
}

} // namespace

TEST(CodecCatalogue, LameAt22050MonoListsTheMpeg2BitRates) {
    TACM acm(ACM_ENCODE, 22050, 1, WAVE_FORMAT_MPEGLAYER3, false);
    acm.Enumerate();
    ASSERT_EQ(driverNames(acm), QStringList{kLame});
    ASSERT_TRUE(acm.SelectDriver(kLame));
    const QList<int> expected = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    ASSERT_EQ(acm.FormatCount(), expected.size());
    for (int i = 0; i < acm.FormatCount(); ++i) {
        SCOPED_TRACE(i);
        const AcmFormatEntry* f = acm.FormatAt(i);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->Description, QStringLiteral("%1 kBit/s, 22050 Hz, Mono").arg(expected[i]));
        EXPECT_EQ(acm.FormatName(i), f->Description);
        const WAVEFORMATEX head = FormatHead(f->Format);
        EXPECT_EQ(head.wFormatTag, WAVE_FORMAT_MPEGLAYER3);
        EXPECT_EQ(head.nSamplesPerSec, 22050u);
        EXPECT_EQ(head.nChannels, 1);
        EXPECT_EQ(head.nAvgBytesPerSec, quint32(expected[i] * 125));
    }
    EXPECT_EQ(acm.FormatAt(-1), nullptr);
    EXPECT_EQ(acm.FormatAt(acm.FormatCount()), nullptr);

    const AcmFormatEntry* found =
        acm.FindFormat(kLame, QStringLiteral("64 kBit/s, 22050 Hz, Mono"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(acm.IndexOfFormat(WAVE_FORMAT_MPEGLAYER3, found->FormatIndex), 7);
    EXPECT_EQ(acm.FindFormat(kLame, QStringLiteral("64 kBit/s, 44100 Hz, Mono")), nullptr);
    EXPECT_EQ(acm.FindFormat(kPcm, QStringLiteral("64 kBit/s, 22050 Hz, Mono")), nullptr);
}

// Stations store these indices: the values follow from the table's order (rates
// ascending, mono before stereo, bit rates ascending) and must never change.
TEST(CodecCatalogue, StoredFormatIndicesNeverMove) {
    struct Pinned {
        quint32 index;
        int rate;
        int channels;
        int kbps;
    };
    const Pinned pinned[] = {{0, 8000, 1, 8},     {15, 8000, 2, 64},   {16, 11025, 1, 8},
                             {60, 22050, 1, 8},   {67, 22050, 1, 64},  {74, 22050, 2, 8},
                             {88, 32000, 1, 32},  {130, 44100, 2, 32}, {138, 44100, 2, 128},
                             {171, 48000, 2, 320}};
    const QList<Mp3Format>& table = Mp3Formats();
    ASSERT_GE(table.size(), 172);
    for (qsizetype i = 0; i < table.size(); ++i)
        EXPECT_EQ(table[i].index, quint32(i));
    for (const Pinned& p : pinned) {
        SCOPED_TRACE(p.index);
        const Mp3Format& f = table[p.index];
        EXPECT_EQ(f.rate, p.rate);
        EXPECT_EQ(f.channels, p.channels);
        EXPECT_EQ(f.kbps, p.kbps);
    }

    // The catalogue hands the same indices out.
    TACM mono(ACM_ENCODE, 22050, 1, WAVE_FORMAT_MPEGLAYER3, true);
    ASSERT_TRUE(mono.SelectDriver(kLame));
    const int at64 = mono.IndexOfFormat(WAVE_FORMAT_MPEGLAYER3, 67);
    EXPECT_EQ(mono.FormatName(at64), QStringLiteral("64 kBit/s, 22050 Hz, Mono"));
    TACM stereo(ACM_ENCODE, 44100, 2, WAVE_FORMAT_MPEGLAYER3, true);
    ASSERT_TRUE(stereo.SelectDriver(kLame));
    const int at128 = stereo.IndexOfFormat(WAVE_FORMAT_MPEGLAYER3, 138);
    EXPECT_EQ(at128, 8);
    EXPECT_EQ(stereo.FormatName(at128), QStringLiteral("128 kBit/s, 44100 Hz, Stereo"));
}

TEST(CodecCatalogue, EveryTableFormatIsListedAndOpensALameStream) {
    const HACMDRIVERID lame = lameDriverId();
    ASSERT_NE(lame, 0u);
    HACMDRIVER driver = nullptr;
    ASSERT_EQ(acmDriverOpen(&driver, lame), MMSYSERR_NOERROR);
    for (const Mp3Format& f : Mp3Formats()) {
        SCOPED_TRACE(Mp3FormatText(f).toStdString());
        HACMSTREAM stream = nullptr;
        const QByteArray pcm = FormatBlock(PcmFormatHead(f.rate, f.channels));
        ASSERT_EQ(
            acmStreamOpen(&stream, driver, pcm, Mp3FormatBlock(f), ACM_STREAMOPENF_NONREALTIME),
            MMSYSERR_NOERROR);
        quint32 size = 0;
        EXPECT_EQ(acmStreamSize(stream, 4096, &size, ACM_STREAMSIZEF_SOURCE), MMSYSERR_NOERROR);
        EXPECT_GT(size, 0u);
        EXPECT_EQ(acmStreamClose(stream), MMSYSERR_NOERROR);
    }
    EXPECT_EQ(acmDriverClose(driver), MMSYSERR_NOERROR);

    // Each rate and channel count lists exactly the table's formats of that shape, in order.
    for (const int rate : {8000, 11025, 16000, 22050, 32000, 44100, 48000})
        for (const int channels : {1, 2}) {
            SCOPED_TRACE(rate * 10 + channels);
            TACM acm(ACM_ENCODE, rate, channels, WAVE_FORMAT_MPEGLAYER3, true);
            ASSERT_TRUE(acm.SelectDriver(kLame));
            const QList<Mp3Format> expected = tableFor(rate, channels);
            ASSERT_EQ(acm.FormatCount(), expected.size());
            for (int i = 0; i < acm.FormatCount(); ++i) {
                EXPECT_EQ(acm.FormatAt(i)->FormatIndex, expected[i].index);
                EXPECT_EQ(acm.FormatAt(i)->Format, Mp3FormatBlock(expected[i]));
            }
        }
}

// Files hold bare MPEG frames: every byte belongs to a frame of the chosen format,
// with no tag before or after and no info frame of the encoder's own.
TEST(CodecCatalogue, EveryTableFormatEncodesToBareFramesOfItsFormat) {
    for (const int rate : {8000, 11025, 16000, 22050, 32000, 44100, 48000})
        for (const int channels : {1, 2}) {
            TACM acm(ACM_ENCODE, rate, channels, WAVE_FORMAT_MPEGLAYER3, true);
            ASSERT_TRUE(acm.SelectDriver(kLame));
            QByteArray out;
            acm.OnData = [&](const quint8* b, qint32 n) {
                out.append(reinterpret_cast<const char*>(b), n);
            };
            QStringList errors;
            acm.OnError = [&](const QString& m) { errors << m; };
            const QByteArray pcm = sine(rate, channels, 1.0, 440);
            for (int i = 0; i < acm.FormatCount(); ++i) {
                const AcmFormatEntry entry = *acm.FormatAt(i);
                SCOPED_TRACE(entry.Description.toStdString());
                out.clear();
                ASSERT_EQ(acm.Open(entry), MMSYSERR_NOERROR);
                acm.Convert(reinterpret_cast<const quint8*>(pcm.constData()), qint32(pcm.size()));
                acm.Close();
                ASSERT_GE(out.size(), 4);
                const auto* b = reinterpret_cast<const quint8*>(out.constData());
                EXPECT_EQ(b[0], 0xFF);
                EXPECT_EQ(b[1] & 0xE0, 0xE0);
                const WAVEFORMATEX head = FormatHead(entry.Format);
                // An info frame has "Xing" or "Info" right after its side information and
                // the encoder's "LAME" tag 120 bytes later, all within its first 160 bytes.
                // (LAME's version text in a frame's unused bits further on is plain data.)
                const QByteArray start = out.left(160);
                for (const char* text : {"ID3", "TAG", "Xing", "Info", "LAME"})
                    EXPECT_FALSE(start.contains(text)) << text;
                EXPECT_FALSE(out.contains("Xing"));
                EXPECT_FALSE(out.contains("Info"));
                int frames = 0;
                qsizetype at = 0;
                while (at < out.size()) {
                    const std::optional<FrameHeader> h = frameAt(out, at);
                    ASSERT_TRUE(h) << "no frame at byte " << at;
                    ASSERT_EQ(h->rate, rate);
                    ASSERT_EQ(h->kbps * 125, int(head.nAvgBytesPerSec));
                    ASSERT_EQ(h->mono, channels == 1);
                    at += h->length;
                    ++frames;
                }
                EXPECT_EQ(at, out.size());
                // One second of sound after the encoder's delay of 1105 samples, the last
                // frame padded with silence: an extra empty info frame would show here.
                const int perFrame = rate >= 32000 ? 1152 : 576;
                EXPECT_GT(frames * perFrame, rate + 1105);
                EXPECT_LT(frames * perFrame, rate + 1105 + perFrame);
            }
            EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
        }
}

TEST(CodecCatalogue, TagFilterChoosesTheDrivers) {
    const QString adpcm = QStringLiteral("Test ADPCM Codec");
    const ScopedDriver fake =
        installFake(adpcm, {{3, kAdpcmTag, 22050, 1, QStringLiteral("ADPCM 22050 Hz Mono")},
                            {4, kAdpcmTag, 22050, 2, QStringLiteral("ADPCM 22050 Hz Stereo")}});

    TACM mp3(ACM_ENCODE, 22050, 1, WAVE_FORMAT_MPEGLAYER3, true);
    EXPECT_EQ(driverNames(mp3), QStringList{kLame});

    TACM any(ACM_ENCODE, 22050, 1, 0, true);
    EXPECT_EQ(driverNames(any), (QStringList{kLame, kPcm, adpcm}));
    const AcmDriverEntry* pcm = driverNamed(any, kPcm);
    ASSERT_NE(pcm, nullptr);
    ASSERT_EQ(pcm->Formats.size(), 1);
    EXPECT_EQ(pcm->Formats[0].Description, QStringLiteral("22050 Hz, 16 Bit, Mono"));
    EXPECT_EQ(FormatHead(pcm->Formats[0].Format).wFormatTag, WAVE_FORMAT_PCM);
    const AcmDriverEntry* test = driverNamed(any, adpcm);
    ASSERT_NE(test, nullptr);
    EXPECT_EQ(test->DriverId, fake.id());
    ASSERT_EQ(test->Formats.size(), 1);
    EXPECT_EQ(test->Formats[0].FormatIndex, 3u);
    EXPECT_EQ(test->Formats[0].DriverId, fake.id());
    EXPECT_EQ(driverNamed(any, kLame)->Formats.size(), 14);

    TACM adpcmOnly(ACM_ENCODE, 22050, 2, kAdpcmTag, true);
    EXPECT_EQ(driverNames(adpcmOnly), QStringList{adpcm});
    EXPECT_EQ(adpcmOnly.Drivers[0].Formats[0].Description, QStringLiteral("ADPCM 22050 Hz Stereo"));
}

TEST(CodecCatalogue, FormatsOfAnotherShapeAreLeftOut) {
    const QString other = QStringLiteral("Test Other Shapes");
    const QString mixed = QStringLiteral("Test Mixed Rates");
    const ScopedDriver a =
        installFake(other, {{0, kAdpcmTag, 44100, 1, QStringLiteral("44k mono")},
                            {1, kAdpcmTag, 22050, 2, QStringLiteral("22k st")},
                            {2, kAdpcmTag, 11025, 1, QStringLiteral("11k mono")}});
    const ScopedDriver b =
        installFake(mixed, {{0, kAdpcmTag, 32000, 1, QStringLiteral("32k mono")},
                            {1, kAdpcmTag, 22050, 1, QStringLiteral("22k mono")},
                            {2, kAdpcmTag, 16000, 1, QStringLiteral("16k mono")}});
    for (const bool rateFilter : {false, true}) {
        SCOPED_TRACE(rateFilter);
        TACM acm(ACM_ENCODE, 22050, 1, kAdpcmTag, false);
        acm.RateFilter = rateFilter;
        acm.Enumerate();
        EXPECT_EQ(driverNames(acm), QStringList{mixed});
        ASSERT_TRUE(acm.SelectDriver(mixed));
        ASSERT_EQ(acm.FormatCount(), 1);
        EXPECT_EQ(acm.FormatName(0), QStringLiteral("22k mono"));
        EXPECT_EQ(acm.FormatAt(0)->FormatIndex, 1u);
        EXPECT_FALSE(acm.SelectDriver(other));
    }
}

TEST(CodecCatalogue, DriversThatFailToOpenOrSuggestContributeNothing) {
    const QList<FakeFormat> formats = {{0, kAdpcmTag, 22050, 1, QStringLiteral("22k mono")}};
    const ScopedDriver closed = installFake(QStringLiteral("Test Closed"), formats, false, true);
    const ScopedDriver mute = installFake(QStringLiteral("Test Mute"), formats, true, false);
    const ScopedDriver good = installFake(QStringLiteral("Test Good"), formats);
    TACM acm(ACM_ENCODE, 22050, 1, 0, true);
    EXPECT_EQ(driverNames(acm), (QStringList{kLame, kPcm, QStringLiteral("Test Good")}));
    EXPECT_EQ(acm.FindFormat(QStringLiteral("Test Closed"), QStringLiteral("22k mono")), nullptr);
    EXPECT_EQ(acm.FindFormat(QStringLiteral("Test Mute"), QStringLiteral("22k mono")), nullptr);
    EXPECT_NE(acm.FindFormat(QStringLiteral("Test Good"), QStringLiteral("22k mono")), nullptr);
}

TEST(CodecCatalogue, LongNamesAndDescriptionsAreCutTo128Characters) {
    const QString longName = QStringLiteral("Test Twin Codec ").repeated(10); // 160
    const QString cutName = longName.left(128);
    // A character outside the 16-bit range counts once and is never split.
    const QString longText = QString(127, u'd') + QStringLiteral("\U0001F3B5") + QString(40, u'e');
    const QString cutText = QString(127, u'd') + QStringLiteral("\U0001F3B5");
    const ScopedDriver first = installFake(longName, {{5, kAdpcmTag, 22050, 1, longText}});
    const ScopedDriver second =
        installFake(longName, {{9, kAdpcmTag, 22050, 1, QStringLiteral("second's")}});
    TACM acm(ACM_ENCODE, 22050, 1, kAdpcmTag, true);
    ASSERT_EQ(acm.DriverCount(), 2);
    EXPECT_EQ(acm.DriverName(0), cutName);
    EXPECT_EQ(acm.DriverName(1), cutName);
    EXPECT_EQ(acm.DriverName(2), QString());

    EXPECT_FALSE(acm.SelectDriver(longName));
    acm.CurrentDriver = 1;
    ASSERT_TRUE(acm.SelectDriver(cutName));
    EXPECT_EQ(acm.CurrentDriver, 0);
    ASSERT_EQ(acm.FormatCount(), 1);
    EXPECT_EQ(acm.FormatAt(0)->DriverId, first.id());
    EXPECT_EQ(acm.FormatName(0), cutText);
    EXPECT_EQ(acm.FormatName(0).size(), 129); // 128 characters, one of them two units long

    const AcmFormatEntry* found = acm.FindFormat(cutName, cutText);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->DriverId, first.id());
    EXPECT_EQ(acm.FindFormat(cutName, longText), nullptr);
    const AcmFormatEntry* other = acm.FindFormat(cutName, QStringLiteral("second's"));
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->DriverId, second.id());
}

TEST(CodecCatalogue, StoredCodecsThatNameNoMp3Format) {
    const ScopedDriver fake =
        installFake(QStringLiteral("Test ADPCM Codec"),
                    {{67, kAdpcmTag, 22050, 1, QStringLiteral("ADPCM 22050 Hz Mono")}});
    TACM acm(ACM_ENCODE, 22050, 1, 0, true);

    ASSERT_TRUE(acm.SelectDriver(kLame));
    EXPECT_EQ(acm.IndexOfFormat(WAVE_FORMAT_MPEGLAYER3, quint32(-1)), -1);
    EXPECT_EQ(acm.IndexOfFormat(WAVE_FORMAT_PCM, 67), -1);
    EXPECT_EQ(acm.IndexOfFormat(WAVE_FORMAT_MPEGLAYER3, 138), -1); // 44100 Hz stereo only
    EXPECT_EQ(acm.IndexOfFormat(WAVE_FORMAT_MPEGLAYER3, 67), 7);

    // The same index under the test driver is another tag's format.
    ASSERT_TRUE(acm.SelectDriver(QStringLiteral("Test ADPCM Codec")));
    EXPECT_EQ(acm.IndexOfFormat(WAVE_FORMAT_MPEGLAYER3, 67), -1);
    EXPECT_EQ(acm.IndexOfFormat(kAdpcmTag, 67), 0);
    EXPECT_EQ(acm.FormatAt(acm.IndexOfFormat(WAVE_FORMAT_MPEGLAYER3, 67)), nullptr);
}

TEST(CodecCatalogue, SelectingAnUnknownDriverKeepsTheCurrentOne) {
    TACM acm(ACM_ENCODE, 22050, 1, 0, true);
    ASSERT_TRUE(acm.SelectDriver(kPcm));
    EXPECT_EQ(acm.CurrentDriver, 1);
    EXPECT_FALSE(acm.SelectDriver(QStringLiteral("No Such Codec")));
    EXPECT_FALSE(acm.SelectDriver(QString()));
    EXPECT_EQ(acm.CurrentDriver, 1);
    EXPECT_EQ(acm.FormatName(0), QStringLiteral("22050 Hz, 16 Bit, Mono"));
}

TEST(CodecCatalogue, OutOfRangeSettingsGiveAnEmptyCatalogue) {
    TACM acm(ACM_ENCODE, 22050, 1, WAVE_FORMAT_MPEGLAYER3, true);
    ASSERT_EQ(acm.DriverCount(), 1);
    EXPECT_FALSE(acm.SetSampleRate(-1));
    acm.Enumerate();
    EXPECT_EQ(acm.DriverCount(), 0);
    EXPECT_EQ(acm.FormatCount(), 0);
    EXPECT_EQ(acm.FormatAt(0), nullptr);
    EXPECT_EQ(acm.FormatName(0), QString());
    EXPECT_EQ(acm.DriverName(0), QString());
    EXPECT_EQ(acm.IndexOfFormat(WAVE_FORMAT_MPEGLAYER3, 67), -1);
    EXPECT_EQ(acm.FindFormat(kLame, QStringLiteral("64 kBit/s, 22050 Hz, Mono")), nullptr);

    EXPECT_TRUE(acm.SetSampleRate(22050));
    EXPECT_FALSE(acm.SetChannels(70000));
    acm.Enumerate();
    EXPECT_EQ(acm.DriverCount(), 0);
    EXPECT_TRUE(acm.SetChannels(1));
    acm.Enumerate();
    EXPECT_EQ(driverNames(acm), QStringList{kLame});

    // Built with an impossible rate from the start: nothing listed, nothing broken.
    TACM broken(ACM_ENCODE, -1, 2, WAVE_FORMAT_MPEGLAYER3, true);
    EXPECT_EQ(broken.DriverCount(), 0);
    EXPECT_EQ(broken.FormatCount(), 0);
}

#pragma once

#include "codec/AcmDriver.h"

// The MPEG Layer-3 driver on libmp3lame: every constant bit rate of the MPEG-1, -2
// and -2.5 tables at the station rates, mono and stereo. Files get MPEG frames only:
// no tag or info frame of the encoder's own.
class LameDriver : public AcmDriver {
public:
    QString LongName() const override;
    QList<ACMFORMATDETAILS> FormatsFrom(const WAVEFORMATEX& source) const override;
    bool Suggest(const QByteArray& source, quint16 tag, QByteArray* dest) const override;
    std::unique_ptr<AcmConversion> OpenStream(const QByteArray& source,
                                              const QByteArray& dest) const override;
    quint32 MaxFormatSize() const override;
};

// One format of the table: its index never changes, because stations store it.
struct Mp3Format {
    quint32 index;
    int rate;
    int channels;
    int kbps;
};
const QList<Mp3Format>& Mp3Formats();
QByteArray Mp3FormatBlock(const Mp3Format& format);
QString Mp3FormatText(const Mp3Format& format);

// The LAME quality used for every recording: LAME's default, "good quality, fast".
// Hundreds of stations encode live, and 2 ("near-best, not too slow") costs far more
// CPU for no audible gain at radio bit rates; 7 ("ok quality") is audibly worse at 64k.
constexpr int kLameQuality = 5;

#pragma once

#include "codec/AcmDriver.h"

// The PCM converter on libswresample: 16-bit PCM from any rate and one or two
// channels to the station rates, mono or stereo.
class PcmDriver : public AcmDriver {
public:
    QString LongName() const override;
    QList<ACMFORMATDETAILS> FormatsFrom(const WAVEFORMATEX& source) const override;
    bool Suggest(const QByteArray& source, quint16 tag, QByteArray* dest) const override;
    std::unique_ptr<AcmConversion> OpenStream(const QByteArray& source,
                                              const QByteArray& dest) const override;
    quint32 MaxFormatSize() const override { return sizeof(WAVEFORMATEX); }
};

// A 16-bit PCM block: the extra-size field holds 18, as every PCM block here does.
WAVEFORMATEX PcmFormatHead(int rate, int channels, int bits = 16);

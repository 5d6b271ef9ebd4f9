#pragma once

#include "codec/AcmStreamBuffer.h"

// The PCM stage: 16-bit PCM from the stream's rate and channels to the recording's.
// Every block handed to it is converted at once.
class tWaveConverter : public AcmStreamBuffer {
public:
    tWaveConverter();
    ~tWaveConverter() override;

    void SetSourceFormat(int rate, int channels, int bits);
    void SetDestFormat(int rate, int channels, int bits);
    bool Open();
    void Close();

    QByteArray SourceFormat; // 18 bytes
    QByteArray DestFormat;   // 18 bytes
    quint32 MinInputSize = 0;
};

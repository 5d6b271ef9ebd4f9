#pragma once

#include "codec/AcmStreamBuffer.h"

#include <QList>

#include <memory>

// One compressed format a driver converts the catalogue's PCM into.
struct AcmFormatEntry {
    HACMDRIVERID DriverId = 0;
    quint32 FormatIndex = 0;
    QString Description; // max 128
    QByteArray Format;   // the driver's format block, its 18-byte head first
};

struct AcmDriverEntry {
    HACMDRIVERID DriverId = 0;
    QString LongName; // max 128
    QList<AcmFormatEntry> Formats;
};

// The codec catalogue and, for a station, its encoder: the installed drivers with the
// formats that PCM of the current rate and channels converts into, and a conversion
// stream from that PCM into one of them.
class TACM : public AcmStreamBuffer {
public:
    TACM(quint8 direction, int sampleRate, int channels, quint16 formatTag, bool enumerate);
    ~TACM() override;

    void Enumerate();
    bool SetSampleRate(int rate);
    bool SetChannels(int channels);
    int SampleRate() const;
    int DriverCount() const { return int(Drivers.size()); }
    QString DriverName(int position) const;
    bool SelectDriver(const QString& name);
    int FormatCount() const;
    QString FormatName(int position) const;
    const AcmFormatEntry* FormatAt(int position) const;
    int IndexOfFormat(quint16 tag, quint32 formatIndex) const;
    const AcmFormatEntry* FindFormat(const QString& driverName, const QString& description) const;

    // The stream side: 0 on success, else the codec layer's code.
    MMRESULT Open(const AcmFormatEntry& entry);
    void Close();
    void SetInputBufferSize(qint32 bytes);
    void SetThreshold(qint32 bytes);

    quint32 MaxFormatSize = 0;
    int CurrentDriver = 0;
    QList<AcmDriverEntry> Drivers;
    quint16 FormatTag = 0;
    int BitsPerSample = 16;
    int Channels = 2;
    QByteArray PcmFormat; // 18 bytes
    quint8 Direction = 0; // 0 encode, 1 decode
    bool OpenDriverFirst = true;
    bool RateFilter = false;
    AcmFormatEntry ActiveFormat; // a copy: the catalogue may be rebuilt while it is open
    std::function<void(const quint8* input, qint32 used)> OnSourceUsed;

protected:
    bool guardsReentry() const override { return true; }
    void sourceUsed(qint32 used) override;

private:
    bool buildPcmFormat();
    void enumerateFormats();
    bool probe(HACMDRIVERID id, const ACMFORMATDETAILS& details) const;
    void prune();
    MMRESULT openStream(const AcmFormatEntry& entry);

    int sampleRate_ = 44100;
};

constexpr quint8 ACM_ENCODE = 0;
constexpr quint8 ACM_DECODE = 1;

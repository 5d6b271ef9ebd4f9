#pragma once

#include "codec/AcmLayer.h"

#include <QList>

// One conversion in progress: it takes source bytes from the header's source and
// fills its destination, telling how much of each was used.
class AcmConversion {
public:
    virtual ~AcmConversion() = default;
    // The largest output one call can give for `sourceBytes` of input, flush included.
    virtual quint32 DestSize(quint32 sourceBytes) const = 0;
    virtual MMRESULT Convert(ACMSTREAMHEADER& header, quint32 flags) = 0;
};

// A codec as the codec layer sees it.
class AcmDriver {
public:
    virtual ~AcmDriver() = default;
    virtual QString LongName() const = 0;
    virtual bool Open() { return true; }
    // The formats `source` converts into, each with an index that never changes.
    virtual QList<ACMFORMATDETAILS> FormatsFrom(const WAVEFORMATEX& source) const = 0;
    // A format of tag `tag` that `source` converts into.
    virtual bool Suggest(const QByteArray& source, quint16 tag, QByteArray* dest) const = 0;
    // nullptr when this driver does not convert between the two.
    virtual std::unique_ptr<AcmConversion> OpenStream(const QByteArray& source,
                                                      const QByteArray& dest) const = 0;
    // The largest format block this driver hands out.
    virtual quint32 MaxFormatSize() const = 0;
};

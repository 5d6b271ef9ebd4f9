#pragma once

#include "codec/AcmLayer.h"

#include <QByteArray>

#include <functional>

// The buffer and conversion loop both conversion stages share: input gathers in
// `InputBuffer` until `Threshold` bytes are there (or the end flag asks for a
// flush), then one conversion call turns it into `OutputBuffer`; what the codec did
// not take stays at the front for the next pass.
class AcmStreamBuffer {
public:
    using DataEvent = std::function<void(const quint8* bytes, qint32 count)>;
    using ErrorEvent = std::function<void(const QString& message)>;
    using Event = std::function<void()>;

    AcmStreamBuffer() = default;
    AcmStreamBuffer(const AcmStreamBuffer&) = delete;
    AcmStreamBuffer& operator=(const AcmStreamBuffer&) = delete;
    virtual ~AcmStreamBuffer();

    void Convert(const quint8* bytes, qint32 count);

    bool IsOpen = false;
    HACMSTREAM Stream = nullptr;
    ACMSTREAMHEADER Header;
    QByteArray InputBuffer;
    qint32 InputSize = 0;
    QByteArray OutputBuffer;
    qint32 OutputSize = 0;
    quint32 ConvertFlags = 0;
    qint32 Filled = 0;
    qint32 Threshold = 0;
    bool Busy = false; // a conversion call is in progress (encoder only)

    Event OnOpen;
    Event OnClose;
    DataEvent OnData;
    ErrorEvent OnError;

protected:
    // Allocates an empty, zeroed input buffer.
    void allocateInput(qint32 size);
    // Points the header at the buffers, sizes the output by the codec's size query,
    // and prepares the header. Returns the codec's result, 0 on success.
    MMRESULT prepareBuffers(quint32 maxOutput);
    // Unprepares and clears the header, frees the output, closes the stream.
    void releaseStream();
    void fireError(const QString& message);
    // Hooks for the encoder: re-entry guard and the consumed-source report.
    virtual bool guardsReentry() const { return false; }
    virtual void sourceUsed(qint32) {}

private:
    // What the error texts of a conversion pass show.
    struct Figures {
        quint32 sourceLength;
        qint32 inputSize;
        quint32 destUsed;
        qint32 outputSize;
        qint32 filled;
    };
    Figures figures() const;
    static QString diagnostic(const char* prefix, const Figures& f);
    void convertPass(qint32* remaining);
};

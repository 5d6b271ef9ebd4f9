#include "codec/AcmStreamBuffer.h"

#include <cstring>
#include <exception>

AcmStreamBuffer::~AcmStreamBuffer() {
    if (Stream)
        releaseStream();
}

void AcmStreamBuffer::allocateInput(qint32 size) {
    InputBuffer = QByteArray(size, '\0');
    InputSize = size;
    Filled = 0;
}

MMRESULT AcmStreamBuffer::prepareBuffers(quint32 maxOutput) {
    Header = ACMSTREAMHEADER();
    Header.cbStruct = sizeof(ACMSTREAMHEADER);
    Header.pbSrc = reinterpret_cast<quint8*>(InputBuffer.data());
    Header.cbSrcLength = quint32(InputSize);
    quint32 size = 0;
    if (const MMRESULT r = acmStreamSize(Stream, quint32(InputSize), &size, ACM_STREAMSIZEF_SOURCE))
        return r;
    if (size == 0 || (maxOutput > 0 && size > maxOutput))
        return ACMERR_NOTPOSSIBLE;
    OutputBuffer = QByteArray(qsizetype(size), '\0');
    OutputSize = qint32(size);
    Header.pbDst = reinterpret_cast<quint8*>(OutputBuffer.data());
    Header.cbDstLength = size;
    return acmStreamPrepareHeader(Stream, &Header);
}

void AcmStreamBuffer::releaseStream() {
    acmStreamUnprepareHeader(Stream, &Header);
    OutputBuffer.clear();
    OutputSize = 0;
    Header = ACMSTREAMHEADER();
    acmStreamClose(Stream);
    Stream = nullptr;
}

void AcmStreamBuffer::fireError(const QString& message) {
    if (OnError)
        OnError(message);
}

AcmStreamBuffer::Figures AcmStreamBuffer::figures() const {
    return {Header.cbSrcLength, InputSize, Header.cbDstLengthUsed, OutputSize, Filled};
}

QString AcmStreamBuffer::diagnostic(const char* prefix, const Figures& f) {
    return QStringLiteral("%1%2(%3), Dst %4 (%5), Shift=%6")
        .arg(QLatin1String(prefix))
        .arg(f.sourceLength)
        .arg(f.inputSize)
        .arg(f.destUsed)
        .arg(f.outputSize)
        .arg(f.filled);
}

void AcmStreamBuffer::Convert(const quint8* bytes, qint32 count) {
    const bool guarded = guardsReentry();
    if (guarded && Busy)
        fireError(QStringLiteral("Recurced!"));
    if (!IsOpen)
        return;
    if (guarded)
        Busy = true;
    do {
        const qint32 n = std::min(InputSize - Filled, count);
        if (n > 0) {
            std::memcpy(InputBuffer.data() + Filled, bytes, size_t(n));
            Filled += n;
            bytes += n;
            count -= n;
        }
        Header.cbStruct = sizeof(ACMSTREAMHEADER);
        Header.pbSrc = reinterpret_cast<quint8*>(InputBuffer.data());
        Header.cbSrcLength = quint32(Filled);
        Header.cbSrcLengthUsed = 0;
        Header.cbDstLengthUsed = 0;
        if (!IsOpen)
            break;
        if ((ConvertFlags & ACM_STREAMCONVERTF_END) || Filled >= Threshold)
            convertPass(&count);
    } while (count > 0 && IsOpen);
    if (guarded)
        Busy = false;
}

void AcmStreamBuffer::convertPass(qint32* remaining) {
    // The figures before the call go into the error texts; they are formatted only
    // when there is an error, since this runs for every block.
    Figures shown = figures();
    const char* prefix = "hdr1: ";
    const quint32 flags = ConvertFlags;
    MMRESULT result = MMSYSERR_NOERROR;
    try {
        result = acmStreamConvert(Stream, &Header, flags | ACM_STREAMCONVERTF_BLOCKALIGN);
    } catch (const std::exception& e) {
        fireError(QString::fromLocal8Bit(e.what()));
        result = ACMERR_NOTPOSSIBLE;
    }
    if (result != MMSYSERR_NOERROR) {
        fireError(QStringLiteral("Error 512.") + diagnostic(prefix, shown));
        shown = figures();
        prefix = "hdr2: ";
        fireError(diagnostic(prefix, shown));
    }
    qint32 used = qint32(Header.cbSrcLengthUsed);
    const qint32 length = qint32(Header.cbSrcLength);
    if (used == 0 && Filled >= InputSize) {
        // A full buffer the codec takes nothing of would stall for ever: drop it.
        used = length;
        fireError(QStringLiteral("Error 1024.") + diagnostic(prefix, shown));
    }
    const qint32 rest = length - used;
    if (used > 0) {
        sourceUsed(used);
        std::memmove(InputBuffer.data(), InputBuffer.constData() + used, size_t(rest));
    }
    Filled = rest;
    if (flags & ACM_STREAMCONVERTF_END)
        *remaining = 0;
    ConvertFlags = 0;
    // The input is settled before the data goes out: a handler that closes the stream
    // makes the flush take only what the codec has not taken yet.
    if (Header.cbDstLengthUsed > 0 && OnData)
        OnData(reinterpret_cast<const quint8*>(OutputBuffer.constData()),
               qint32(Header.cbDstLengthUsed));
    if (!IsOpen)
        Filled = 0; // closed from inside the data event: its flush took the rest
}

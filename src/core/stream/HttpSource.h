#pragma once

#include "stream/HttpConnection.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

struct AVIOContext;

// A GET whose response header is read here, bounded in size, so that a server that
// never ends its header is refused after kMaxHeaderBytes instead of holding a core and
// memory until the time-out. Redirects are followed. The body, chunks joined and ICY
// metadata taken out, is read through Io(), which FFmpeg's demuxers take.
class HttpSource {
public:
    static constexpr int kMaxHeaderBytes = 16 * 1024;

    struct Request {
        QString url;
        QByteArray userAgent;
        int timeoutMs = 10000;
        std::function<bool()> interrupted;
        // A byte range of the body: from offset up to, not including, endOffset.
        qint64 offset = 0;
        qint64 endOffset = -1;
    };

    // On failure returns nullptr with *error set to an FFmpeg error code.
    static std::unique_ptr<HttpSource> Open(const Request& request, int* error);
    ~HttpSource();
    HttpSource(const HttpSource&) = delete;
    HttpSource& operator=(const HttpSource&) = delete;

    AVIOContext* Io() const { return io_; }
    // The source whose Io() that is, or null.
    static HttpSource* Owning(AVIOContext* io);
    // The address answered, after redirects.
    const QString& Url() const { return url_; }
    const QByteArray& StatusLine() const { return status_; }
    const QList<QByteArray>& HeaderLines() const { return lines_; }
    // The value of the first header of that name (any case), trimmed.
    QByteArray Header(const QByteArray& name) const;
    // Up to `bytes` of the body's start, left for Io() to read again.
    QByteArray Peek(int bytes);
    // The last metadata block the server sent, without its padding. Only for the
    // thread that reads Io().
    const QByteArray& IcyMetadata() const { return metadata_; }

private:
    HttpSource() = default;
    int request(const QString& url, const Request& r);
    int readHead();
    int readLine(QByteArray* line, int limit);
    int readByte();
    void startBody();
    static int readPacket(void* self, uint8_t* buffer, int size);
    int readAudio(uint8_t* buffer, int size);
    int readMetadata();
    int readExact(uint8_t* buffer, int size);
    int readRaw(uint8_t* buffer, int size);
    int nextChunk();
    int fill();

    std::unique_ptr<HttpConnection> connection_;
    QString url_;
    // Bytes read from the connection and not yet handed on.
    QByteArray pending_;
    qsizetype pendingAt_ = 0;
    QByteArray status_;
    QList<QByteArray> lines_;
    int code_ = 0;
    AVIOContext* io_ = nullptr;
    QByteArray peeked_;
    qsizetype peekedAt_ = 0;
    bool chunked_ = false;
    bool chunkEndDue_ = false;
    qint64 left_ = -1; // of the chunk or the body; -1: until the server closes
    qint64 metaInterval_ = 0;
    qint64 untilMeta_ = 0;
    QByteArray metadata_;
};

#include "stream/HttpSource.h"

#include <QUrl>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cstring>

namespace {

constexpr int kMaxRedirects = 5;
constexpr int kMaxChunkLine = 1024;
constexpr int kReadBytes = 16 * 1024;
constexpr int kIoBufferBytes = 32 * 1024;

int HttpError(int code) {
    if (code >= 500)
        return AVERROR_HTTP_SERVER_ERROR;
    return code == 404 ? AVERROR_HTTP_NOT_FOUND : AVERROR_HTTP_OTHER_4XX;
}

QByteArray OneLine(QByteArray text) {
    return text.replace('\r', ' ').replace('\n', ' ');
}

QByteArray RequestText(const QUrl& url, const HttpSource::Request& r) {
    QByteArray target = url.path(QUrl::FullyEncoded).toUtf8();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toUtf8();
    QByteArray host = url.host(QUrl::FullyEncoded).toUtf8();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port() != -1)
        host += ':' + QByteArray::number(url.port());
    QByteArray text = "GET " + target + " HTTP/1.1\r\nHost: " + host +
                      "\r\nUser-Agent: " + OneLine(r.userAgent) +
                      "\r\nAccept: */*\r\nIcy-MetaData: 1\r\nConnection: close\r\n";
    if (r.offset > 0 || r.endOffset >= 0)
        text += "Range: bytes=" + QByteArray::number(r.offset) + '-' +
                (r.endOffset > 0 ? QByteArray::number(r.endOffset - 1) : QByteArray()) + "\r\n";
    if (!url.userInfo().isEmpty())
        text += "Authorization: Basic " +
                OneLine(url.userInfo(QUrl::FullyDecoded).toUtf8()).toBase64() + "\r\n";
    return text + "\r\n";
}

} // namespace

std::unique_ptr<HttpSource> HttpSource::Open(const Request& request, int* error) {
    std::unique_ptr<HttpSource> source(new HttpSource);
    QString url = request.url;
    for (int redirects = 0;; ++redirects) {
        *error = source->request(url, request);
        if (*error < 0)
            return nullptr;
        if (source->code_ >= 200 && source->code_ < 300)
            break;
        const QByteArray location = source->Header("location");
        if (source->code_ < 300 || source->code_ >= 400 || location.isEmpty() ||
            redirects == kMaxRedirects) {
            *error = HttpError(source->code_);
            return nullptr;
        }
        url = QUrl(url).resolved(QUrl::fromEncoded(location)).toString(QUrl::FullyEncoded);
    }
    source->startBody();
    return source;
}

HttpSource::~HttpSource() {
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
}

int HttpSource::request(const QString& address, const Request& r) {
    const QUrl url(address);
    const QString scheme = url.scheme().toLower();
    if (scheme != "http" && scheme != "https")
        return AVERROR_PROTOCOL_NOT_FOUND;
    const bool tls = scheme == "https";
    const HttpConnection::Target target{url.host(QUrl::FullyEncoded),
                                        quint16(url.port(tls ? 443 : 80)), tls};
    pending_.clear();
    pendingAt_ = 0;
    int error = 0;
    connection_ = HttpConnection::Open(target, r.timeoutMs, r.interrupted, &error);
    if (!connection_)
        return error;
    url_ = address;
    if ((error = connection_->Write(RequestText(url, r))) < 0)
        return error;
    return readHead();
}

int HttpSource::readHead() {
    status_.clear();
    lines_.clear();
    int total = 0;
    for (;;) {
        QByteArray line;
        const int n = readLine(&line, kMaxHeaderBytes - total);
        if (n < 0)
            return n;
        total += n;
        if (status_.isEmpty()) {
            status_ = line;
            const QList<QByteArray> parts = line.split(' ');
            const bool known = parts[0].startsWith("HTTP/") || parts[0] == "ICY";
            code_ = known && parts.size() > 1 ? parts[1].toInt() : 0;
            if (code_ <= 0)
                return AVERROR_INVALIDDATA;
        } else if (line.isEmpty()) {
            return 0;
        } else {
            lines_.push_back(line);
        }
    }
}

// One line without its CR LF; gives the bytes it took, or an error when the line is
// longer than the limit.
int HttpSource::readLine(QByteArray* line, int limit) {
    line->clear();
    for (int taken = 0; taken < limit;) {
        const int c = readByte();
        if (c < 0)
            return c;
        ++taken;
        if (c == '\n') {
            if (line->endsWith('\r'))
                line->chop(1);
            return taken;
        }
        line->append(char(c));
    }
    return AVERROR_INVALIDDATA;
}

int HttpSource::readByte() {
    if (pendingAt_ == pending_.size())
        if (const int e = fill())
            return e;
    return uint8_t(pending_[pendingAt_++]);
}

int HttpSource::fill() {
    pending_.resize(kReadBytes);
    const int n = connection_->Read(reinterpret_cast<uint8_t*>(pending_.data()), kReadBytes);
    pending_.resize(std::max(n, 0));
    pendingAt_ = 0;
    return n < 0 ? n : 0;
}

QByteArray HttpSource::Header(const QByteArray& name) const {
    for (const QByteArray& line : lines_) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

void HttpSource::startBody() {
    chunked_ = Header("transfer-encoding").toLower().contains("chunked");
    bool known = false;
    const qint64 length = Header("content-length").toLongLong(&known);
    left_ = chunked_ ? 0 : known && length >= 0 ? length : -1;
    metaInterval_ = std::max<qint64>(Header("icy-metaint").toLongLong(), 0);
    untilMeta_ = metaInterval_;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    io_ = avio_alloc_context(buffer, kIoBufferBytes, 0, this, &HttpSource::readPacket, nullptr,
                             nullptr);
    io_->seekable = 0;
}

QByteArray HttpSource::Peek(int bytes) {
    std::vector<uint8_t> buffer(size_t(std::max(bytes, 1)));
    while (peeked_.size() - peekedAt_ < bytes) {
        const int n = readAudio(buffer.data(), int(bytes - (peeked_.size() - peekedAt_)));
        if (n <= 0)
            break;
        peeked_.append(reinterpret_cast<const char*>(buffer.data()), n);
    }
    return peeked_.mid(peekedAt_);
}

HttpSource* HttpSource::Owning(AVIOContext* io) {
    return io && io->read_packet == &HttpSource::readPacket ? static_cast<HttpSource*>(io->opaque)
                                                            : nullptr;
}

int HttpSource::readPacket(void* self, uint8_t* buffer, int size) {
    auto* source = static_cast<HttpSource*>(self);
    const qsizetype peeked = source->peeked_.size() - source->peekedAt_;
    if (peeked == 0)
        return source->readAudio(buffer, size);
    const int n = int(std::min<qsizetype>(size, peeked));
    std::memcpy(buffer, source->peeked_.constData() + source->peekedAt_, size_t(n));
    source->peekedAt_ += n;
    return n;
}

// Body bytes with the metadata blocks taken out.
int HttpSource::readAudio(uint8_t* buffer, int size) {
    if (metaInterval_ > 0) {
        if (untilMeta_ == 0) {
            if (const int e = readMetadata())
                return e;
            untilMeta_ = metaInterval_;
        }
        size = int(std::min<qint64>(size, untilMeta_));
    }
    const int n = readRaw(buffer, size);
    if (n > 0 && metaInterval_ > 0)
        untilMeta_ -= n;
    return n;
}

int HttpSource::readMetadata() {
    uint8_t length = 0;
    if (const int e = readExact(&length, 1))
        return e;
    QByteArray block(int(length) * 16, '\0');
    if (const int e = readExact(reinterpret_cast<uint8_t*>(block.data()), int(block.size())))
        return e;
    const qsizetype end = block.indexOf('\0');
    if (end >= 0)
        block.truncate(end);
    if (!block.isEmpty())
        metadata_ = block;
    return 0;
}

int HttpSource::readExact(uint8_t* buffer, int size) {
    while (size > 0) {
        const int n = readRaw(buffer, size);
        if (n < 0)
            return n;
        buffer += n;
        size -= n;
    }
    return 0;
}

// Body bytes as sent, the chunk framing taken out.
int HttpSource::readRaw(uint8_t* buffer, int size) {
    if (chunked_ && left_ == 0)
        if (const int e = nextChunk())
            return e;
    if (left_ == 0)
        return AVERROR_EOF;
    if (left_ > 0)
        size = int(std::min<qint64>(size, left_));
    int n;
    if (pendingAt_ < pending_.size()) {
        n = int(std::min<qsizetype>(size, pending_.size() - pendingAt_));
        std::memcpy(buffer, pending_.constData() + pendingAt_, size_t(n));
        pendingAt_ += n;
    } else {
        n = connection_->Read(buffer, size);
        if (n < 0)
            return n;
    }
    if (left_ > 0)
        left_ -= n;
    chunkEndDue_ = chunked_ && left_ == 0;
    return n;
}

int HttpSource::nextChunk() {
    QByteArray line;
    if (chunkEndDue_) { // the CR LF after the last chunk's data
        if (const int e = readLine(&line, kMaxChunkLine); e < 0)
            return e;
        chunkEndDue_ = false;
    }
    if (const int e = readLine(&line, kMaxChunkLine); e < 0)
        return e;
    bool ok = false;
    const qint64 size = line.split(';').first().trimmed().toLongLong(&ok, 16);
    if (!ok || size < 0)
        return AVERROR_INVALIDDATA;
    if (size == 0) { // the last chunk: the body ends here
        chunked_ = false;
        return AVERROR_EOF;
    }
    left_ = size;
    return 0;
}

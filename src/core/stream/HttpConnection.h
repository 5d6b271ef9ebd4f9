#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

struct ssl_st;

// One client connection, plain or TLS, whose every wait can be given up: the name
// look-up, the connect, each read and write end when interrupted() says so, or after
// timeoutMs without progress. Errors are FFmpeg error codes.
class HttpConnection {
public:
    struct Target {
        QString host;
        quint16 port = 0;
        bool tls = false;
    };

    static std::unique_ptr<HttpConnection> Open(const Target& target, int timeoutMs,
                                                std::function<bool()> interrupted, int* error);
    ~HttpConnection();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    // 0, or an error.
    int Write(const QByteArray& data);
    // The bytes read (at least one), AVERROR_EOF at the end, or an error.
    int Read(uint8_t* buffer, int size);

private:
    HttpConnection() = default;
    int connectTo(const Target& target);
    int startTls(const QString& host);
    int wait(short events);
    int tlsWait(int result);

    int fd_ = -1;
    ssl_st* ssl_ = nullptr;
    int timeoutMs_ = 0;
    std::function<bool()> interrupted_;
};

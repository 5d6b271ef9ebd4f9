#include "stream/HttpConnection.h"

#include "stream/HostLookup.h"

#include <QHostAddress>

extern "C" {
#include <libavutil/error.h>
}

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {

// How often a wait looks at interrupted().
constexpr int kPollStepMs = 100;

SSL_CTX* ClientContext() {
    // Stream servers are not verified, as no player verifies them; TLS only keeps the
    // stream private on the way.
    static SSL_CTX* const context = [] {
        SSL_CTX* c = SSL_CTX_new(TLS_client_method());
        if (c)
            SSL_CTX_set_verify(c, SSL_VERIFY_NONE, nullptr);
        return c;
    }();
    return context;
}

} // namespace

std::unique_ptr<HttpConnection> HttpConnection::Open(const Target& target, int timeoutMs,
                                                     std::function<bool()> interrupted,
                                                     int* error) {
    std::unique_ptr<HttpConnection> c(new HttpConnection);
    c->timeoutMs_ = timeoutMs;
    c->interrupted_ = std::move(interrupted);
    *error = c->connectTo(target);
    if (*error == 0 && target.tls)
        *error = c->startTls(target.host);
    return *error == 0 ? std::move(c) : nullptr;
}

HttpConnection::~HttpConnection() {
    if (ssl_)
        SSL_free(ssl_);
    if (fd_ >= 0)
        ::close(fd_);
}

int HttpConnection::connectTo(const Target& target) {
    std::vector<HostAddress> addresses;
    switch (LookUpHost(target.host, target.port, interrupted_, &addresses)) {
    case HostLookupResult::GaveUp:
        return AVERROR_EXIT;
    case HostLookupResult::NotFound:
        return AVERROR(EIO);
    case HostLookupResult::Found:
        break;
    }
    int error = AVERROR(EIO);
    // Each address in turn, as a browser does: a dead IPv6 route falls back to IPv4.
    for (const HostAddress& a : addresses) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = ::socket(a.address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ < 0)
            return AVERROR(errno);
        if (::connect(fd_, reinterpret_cast<const sockaddr*>(&a.address), a.length) == 0)
            return 0;
        if (errno != EINPROGRESS) {
            error = AVERROR(errno);
            continue;
        }
        error = wait(POLLOUT);
        if (error == AVERROR_EXIT)
            return error;
        int soError = 0;
        socklen_t length = sizeof soError;
        if (error == 0 && ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &soError, &length) == 0) {
            if (soError == 0)
                return 0;
            error = AVERROR(soError);
        }
    }
    return error;
}

int HttpConnection::startTls(const QString& host) {
    SSL_CTX* context = ClientContext();
    ssl_ = context ? SSL_new(context) : nullptr;
    if (!ssl_ || SSL_set_fd(ssl_, fd_) != 1)
        return AVERROR(ENOMEM);
    if (QHostAddress(host).isNull()) // names only: an address is no server name
        SSL_set_tlsext_host_name(ssl_, host.toUtf8().constData());
    for (;;) {
        const int r = SSL_connect(ssl_);
        if (r == 1)
            return 0;
        if (const int e = tlsWait(r))
            return e;
    }
}

// After a TLS call that did not finish: waits for what it needs, or gives its error.
int HttpConnection::tlsWait(int result) {
    switch (SSL_get_error(ssl_, result)) {
    case SSL_ERROR_WANT_READ:
        return wait(POLLIN);
    case SSL_ERROR_WANT_WRITE:
        return wait(POLLOUT);
    case SSL_ERROR_ZERO_RETURN:
        return AVERROR_EOF;
    default:
        ERR_clear_error();
        return AVERROR(EIO);
    }
}

int HttpConnection::wait(short events) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        if (interrupted_ && interrupted_())
            return AVERROR_EXIT;
        if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(timeoutMs_))
            return AVERROR(ETIMEDOUT);
        pollfd p{fd_, events, 0};
        const int r = ::poll(&p, 1, kPollStepMs);
        if (r > 0)
            return 0;
        if (r < 0 && errno != EINTR)
            return AVERROR(errno);
    }
}

int HttpConnection::Write(const QByteArray& data) {
    qsizetype sent = 0;
    while (sent < data.size()) {
        const int size = int(data.size() - sent);
        if (ssl_) {
            const int r = SSL_write(ssl_, data.constData() + sent, size);
            if (r > 0)
                sent += r;
            else if (const int e = tlsWait(r))
                return e;
            continue;
        }
        const ssize_t r = ::send(fd_, data.constData() + sent, size_t(size), MSG_NOSIGNAL);
        if (r > 0)
            sent += r;
        else if (r < 0 && errno != EAGAIN && errno != EINTR)
            return AVERROR(errno);
        else if (const int e = wait(POLLOUT))
            return e;
    }
    return 0;
}

int HttpConnection::Read(uint8_t* buffer, int size) {
    for (;;) {
        if (ssl_) {
            const int r = SSL_read(ssl_, buffer, size);
            if (r > 0)
                return r;
            if (const int e = tlsWait(r))
                return e;
            continue;
        }
        const ssize_t r = ::recv(fd_, buffer, size_t(size), 0);
        if (r > 0)
            return int(r);
        if (r == 0)
            return AVERROR_EOF;
        if (errno != EAGAIN && errno != EINTR)
            return AVERROR(errno);
        if (const int e = wait(POLLIN))
            return e;
    }
}

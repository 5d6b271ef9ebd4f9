#include "web/HttpServer.h"

#include "base/Logging.h"
#include "base/ThreadName.h"

#include <microhttpd.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <list>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// Past this many open connections, each new one closes the oldest that has not yet
// sent a whole request: idle or slow clients never lock a real request out.
constexpr size_t kEvictAbove = HttpServer::kMaxConnections - 16;

using Clock = std::chrono::steady_clock;

struct Connection {
    int fd;
    Clock::time_point waitingSince = Clock::now(); // for the next request
    bool busy = false;                             // a whole request came and is answered
    bool evicted = false;
};

// A listening socket on every local address: IPv6 with IPv4 mapped in, or IPv4 alone
// where the machine has no IPv6. -1 with errno set when the port cannot be had.
int listenOn(int port) {
    int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1, off = 0;
    if (fd >= 0) {
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in6 a{};
        a.sin6_family = AF_INET6;
        a.sin6_addr = in6addr_any;
        a.sin6_port = htons(quint16(port));
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd, 64) == 0)
            return fd;
        const int error = errno;
        ::close(fd);
        if (error != EAFNOSUPPORT && error != EADDRNOTAVAIL) {
            errno = error;
            return -1;
        }
    }
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    a.sin_port = htons(quint16(port));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd, 64) == 0)
        return fd;
    const int error = errno;
    ::close(fd);
    errno = error;
    return -1;
}

QString listenError(int port, int error) {
    if (error == EADDRINUSE)
        return QStringLiteral("port %1 is in use").arg(port);
    if (error == EACCES)
        return QStringLiteral("port %1 is not allowed").arg(port);
    return QStringLiteral("port %1: %2").arg(port).arg(QString::fromLocal8Bit(strerror(error)));
}

} // namespace

struct HttpServer::Daemon {
    explicit Daemon(HttpHandler& h) : handler(h) {}

    HttpHandler& handler;
    MHD_Daemon* mhd = nullptr;
    std::mutex mutex;
    std::condition_variable stopping;
    bool stop = false;
    std::list<Connection*> live; // oldest first
    std::thread sweeper;

    // The server's own thread sees the socket end and closes the connection.
    static void evict(Connection* c) {
        ::shutdown(c->fd, SHUT_RDWR);
        c->evicted = true;
    }
    void opened(Connection* c) {
        const std::lock_guard lock(mutex);
        live.push_back(c);
        if (live.size() <= kEvictAbove)
            return;
        for (Connection* old : live) {
            if (old != c && !old->busy && !old->evicted) {
                evict(old);
                return;
            }
        }
    }
    void closed(Connection* c) {
        const std::lock_guard lock(mutex);
        live.remove(c);
    }
    void setBusy(MHD_Connection* connection, bool busy) {
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
        auto* c = info ? static_cast<Connection*>(info->socket_context) : nullptr;
        if (!c)
            return;
        const std::lock_guard lock(mutex);
        c->busy = busy;
        c->waitingSince = Clock::now();
    }
    // A request must arrive whole within the time-out, however slowly its bytes trickle.
    void sweep() {
        NameThread("tw-web-sweep");
        std::unique_lock lock(mutex);
        while (!stopping.wait_for(lock, std::chrono::seconds(1), [this] { return stop; })) {
            const Clock::time_point limit =
                Clock::now() - std::chrono::seconds(HttpServer::kTimeoutSeconds);
            for (Connection* c : live)
                if (!c->busy && !c->evicted && c->waitingSince < limit)
                    evict(c);
        }
    }
    void startSweeper() {
        sweeper = std::thread([this] { sweep(); });
    }
    void stopSweeper() {
        {
            const std::lock_guard lock(mutex);
            stop = true;
        }
        stopping.notify_all();
        sweeper.join();
    }

    static void notify(void* cls, MHD_Connection* connection, void** socketContext,
                       MHD_ConnectionNotificationCode code) {
        auto* self = static_cast<Daemon*>(cls);
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            const MHD_ConnectionInfo* info =
                MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
            auto* c = new Connection{info ? info->connect_fd : -1};
            *socketContext = c;
            self->opened(c);
        } else if (auto* c = static_cast<Connection*>(*socketContext)) {
            self->closed(c);
            delete c;
            *socketContext = nullptr;
        }
    }

    // The request line as sent: the query is taken from it unparsed.
    static void* uriLog(void*, const char* uri, MHD_Connection*) { return new QByteArray(uri); }

    static void completed(void* cls, MHD_Connection* connection, void** requestContext,
                          MHD_RequestTerminationCode) {
        static_cast<Daemon*>(cls)->setBusy(connection, false);
        delete static_cast<QByteArray*>(*requestContext);
        *requestContext = nullptr;
    }

    static MHD_Result answer(void* cls, MHD_Connection* connection, const char* url,
                             const char* method, const char*, const char*, size_t* uploadSize,
                             void** requestContext) {
        auto* self = static_cast<Daemon*>(cls);
        self->setBusy(connection, true);
        if (strcmp(method, MHD_HTTP_METHOD_GET) != 0 && strcmp(method, MHD_HTTP_METHOD_HEAD) != 0)
            return reply(connection, {405, "text/plain", "GET or HEAD only\n", {}});
        *uploadSize = 0;
        const auto* raw = static_cast<const QByteArray*>(*requestContext);
        HttpRequest request;
        request.path = QString::fromUtf8(url);
        if (raw && raw->contains('?'))
            request.query = raw->mid(raw->indexOf('?') + 1);
        char* password = nullptr;
        if (char* user = MHD_basic_auth_get_username_password(connection, &password)) {
            request.hasBasicAuth = true;
            request.user = QString::fromUtf8(user);
            request.password = QString::fromUtf8(password ? password : "");
            MHD_free(user);
        }
        if (password)
            MHD_free(password);
        return reply(connection, self->handler.Handle(request));
    }

    static MHD_Result reply(MHD_Connection* connection, const HttpResponse& r) {
        MHD_Response* response = MHD_create_response_from_buffer(
            size_t(r.body.size()), const_cast<char*>(r.body.constData()), MHD_RESPMEM_MUST_COPY);
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, r.contentType.constData());
        MHD_Result result;
        if (r.status == MHD_HTTP_UNAUTHORIZED) {
            // The connection ends after the refusal.
            MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
            result = MHD_queue_basic_auth_fail_response(connection, r.realm.constData(), response);
        } else {
            result = MHD_queue_response(connection, unsigned(r.status), response);
        }
        MHD_destroy_response(response);
        return result;
    }

    static void log(void*, const char* format, va_list args) {
        qCDebug(lcWeb).noquote() << QString::vasprintf(format, args).trimmed();
    }
};

HttpServer::HttpServer(HttpHandler& handler) : handler_(handler) {}

HttpServer::~HttpServer() {
    Stop();
}

bool HttpServer::Start(int port, QString* error) {
    Stop();
    port_ = port;
    const int fd = listenOn(port);
    if (fd < 0) {
        *error = listenError(port, errno);
        return false;
    }
    auto daemon = std::make_unique<Daemon>(handler_);
    daemon->mhd = MHD_start_daemon(
        MHD_USE_EPOLL_INTERNAL_THREAD | MHD_USE_ERROR_LOG, 0, nullptr, nullptr, &Daemon::answer,
        daemon.get(), MHD_OPTION_EXTERNAL_LOGGER, &Daemon::log, nullptr, MHD_OPTION_LISTEN_SOCKET,
        fd, MHD_OPTION_THREAD_POOL_SIZE, 2u, MHD_OPTION_CONNECTION_LIMIT, unsigned(kMaxConnections),
        MHD_OPTION_CONNECTION_TIMEOUT, unsigned(kTimeoutSeconds),
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, size_t(kMaxHeaderBytes + 4096),
        MHD_OPTION_URI_LOG_CALLBACK, &Daemon::uriLog, nullptr, MHD_OPTION_NOTIFY_CONNECTION,
        &Daemon::notify, daemon.get(), MHD_OPTION_NOTIFY_COMPLETED, &Daemon::completed,
        daemon.get(), MHD_OPTION_END);
    if (!daemon->mhd) {
        ::close(fd);
        *error = QStringLiteral("port %1: the server could not start").arg(port);
        return false;
    }
    daemon->startSweeper();
    daemon_ = std::move(daemon);
    return true;
}

void HttpServer::Stop() {
    if (!daemon_)
        return;
    daemon_->stopSweeper();
    MHD_stop_daemon(daemon_->mhd);
    daemon_.reset();
}

bool HttpServer::Active() const {
    return daemon_ != nullptr;
}

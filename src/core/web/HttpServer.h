#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

struct HttpRequest {
    QString path;     // percent-decoded, from UTF-8
    QByteArray query; // the text after "?", as sent
    bool hasBasicAuth = false;
    QString user, password;
};

struct HttpResponse {
    int status = 200;
    QByteArray contentType = "text/html";
    QByteArray body;
    // With status 401: the realm the client is asked to log in to.
    QByteArray realm;
};

// What a server hands each request to. Called on the server's threads, several at
// once: an implementation guards what it shares.
class HttpHandler {
public:
    virtual ~HttpHandler() = default;
    virtual HttpResponse Handle(const HttpRequest& request) = 0;
};

// A small HTTP/1.1 server on libmicrohttpd, on every local address: GET and HEAD,
// Basic authentication parsed, bounded in connections, time and header size.
class HttpServer {
public:
    static constexpr int kMaxConnections = 64;
    static constexpr int kTimeoutSeconds = 10;
    static constexpr int kMaxHeaderBytes = 16 * 1024;

    explicit HttpServer(HttpHandler& handler);
    ~HttpServer();

    // Listens on the port; false with *error set ("port 8070 is in use") when it cannot.
    bool Start(int port, QString* error);
    void Stop();
    bool Active() const;
    int Port() const { return port_; }

private:
    struct Daemon;
    HttpHandler& handler_;
    std::unique_ptr<Daemon> daemon_;
    int port_ = 0;
};

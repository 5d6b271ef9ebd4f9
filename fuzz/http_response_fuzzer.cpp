#include "stream/HttpSource.h"

extern "C" {
#include <libavformat/avio.h>
}

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <thread>

// Responses as a hostile server may send them, over a real loopback connection: the
// header, the chunk framing and the ICY metadata must be read within bounds, and the
// body must end.
namespace {

int Listen(quint16* port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        std::abort();
    *port = ntohs(address.sin_port);
    return fd;
}

// Reads the request, answers with the input and waits for the client to close.
void Answer(int listener, const uint8_t* data, size_t size) {
    const int fd = ::accept(listener, nullptr, nullptr);
    if (fd < 0)
        return;
    char request[4096];
    ::recv(fd, request, sizeof request, 0);
    for (size_t sent = 0; sent < size;) {
        const ssize_t n = ::send(fd, data + sent, size - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += size_t(n);
    }
    ::shutdown(fd, SHUT_WR);
    while (::recv(fd, request, sizeof request, 0) > 0) {
    }
    ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A redirect would connect again, and perhaps look up a name: not for a fuzzer.
    if (QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))
            .contains(QByteArrayLiteral("ocation")))
        return 0;
    static quint16 port = 0;
    static const int listener = Listen(&port);
    std::thread server(Answer, listener, data, size);
    int error = 0;
    const HttpSource::Request request{QStringLiteral("http://127.0.0.1:%1/").arg(port), "fuzz",
                                      1000, {}};
    if (const auto source = HttpSource::Open(request, &error)) {
        source->Peek(64);
        uint8_t body[4096];
        while (avio_read(source->Io(), body, sizeof body) > 0) {
        }
    }
    server.join();
    return 0;
}

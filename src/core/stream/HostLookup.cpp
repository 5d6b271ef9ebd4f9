#include "stream/HostLookup.h"

#include <QHostAddress>

#include <netdb.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace {

struct Lookup {
    std::atomic<bool> done{false};
    std::atomic<bool> found{false};
};

} // namespace

HostLookupResult LookUpHost(const QString& host, const std::function<bool()>& giveUp) {
    if (host.isEmpty() || !QHostAddress(host).isNull())
        return HostLookupResult::Found;
    // Shared with the helper, which may outlive this call.
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, name = host.toStdString()] {
        addrinfo hints = {};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* result = nullptr;
        const int r = getaddrinfo(name.c_str(), nullptr, &hints, &result);
        if (result)
            freeaddrinfo(result);
        lookup->found = r == 0;
        lookup->done = true;
    }).detach();
    while (!lookup->done) {
        if (giveUp())
            return HostLookupResult::GaveUp;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return lookup->found ? HostLookupResult::Found : HostLookupResult::NotFound;
}

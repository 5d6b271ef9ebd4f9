#include "stream/HostLookup.h"

#include "base/ThreadName.h"

#include <QHostAddress>

#include <netdb.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

struct Lookup {
    std::atomic<bool> done{false};
    std::mutex mutex;
    std::vector<HostAddress> addresses; // under mutex, complete once done
    bool found = false;
};

bool Resolve(const std::string& name, quint16 port, int flags, std::vector<HostAddress>* out) {
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
    addrinfo* result = nullptr;
    const int r = getaddrinfo(name.c_str(), std::to_string(port).c_str(), &hints, &result);
    for (const addrinfo* a = result; a; a = a->ai_next) {
        HostAddress address{};
        std::memcpy(&address.address, a->ai_addr, a->ai_addrlen);
        address.length = a->ai_addrlen;
        out->push_back(address);
    }
    if (result)
        freeaddrinfo(result);
    return r == 0;
}

} // namespace

HostLookupResult LookUpHost(const QString& host, quint16 port, const std::function<bool()>& giveUp,
                            std::vector<HostAddress>* addresses) {
    addresses->clear();
    if (!QHostAddress(host).isNull()) // a numeric address needs no look-up
        return Resolve(host.toStdString(), port, AI_NUMERICHOST, addresses)
                   ? HostLookupResult::Found
                   : HostLookupResult::NotFound;
    // Shared with the helper, which may outlive this call.
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, name = host.toStdString(), port] {
        NameThread("tw-lookup");
        std::vector<HostAddress> found;
        const bool ok = Resolve(name, port, 0, &found);
        {
            const std::lock_guard lock(lookup->mutex);
            lookup->addresses = std::move(found);
            lookup->found = ok;
        }
        lookup->done = true;
    }).detach();
    while (!lookup->done) {
        if (giveUp())
            return HostLookupResult::GaveUp;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const std::lock_guard lock(lookup->mutex);
    *addresses = lookup->addresses;
    return lookup->found ? HostLookupResult::Found : HostLookupResult::NotFound;
}

#pragma once

#include <QString>

#include <sys/socket.h>

#include <functional>
#include <vector>

// Name look-ups cannot be interrupted, so each runs on a helper thread of its own and
// the caller stops waiting as soon as giveUp() says so; the helper ends by itself.
enum class HostLookupResult { Found, NotFound, GaveUp };

struct HostAddress {
    sockaddr_storage address;
    socklen_t length;
};

// Gives the host's addresses for the port, in the resolver's order.
HostLookupResult LookUpHost(const QString& host, quint16 port, const std::function<bool()>& giveUp,
                            std::vector<HostAddress>* addresses);

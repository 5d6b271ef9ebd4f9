#pragma once

#include <QString>

#include <functional>

// Name look-ups cannot be interrupted, so each runs on a helper thread of its own and
// the caller stops waiting as soon as giveUp() says so; the helper ends by itself.
enum class HostLookupResult { Found, NotFound, GaveUp };

HostLookupResult LookUpHost(const QString& host, const std::function<bool()>& giveUp);

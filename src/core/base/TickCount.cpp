#include "base/TickCount.h"

#include <chrono>

TickCounter::TickCounter(Source source) : source_(std::move(source)) {}

quint64 TickCounter::Read() {
    const std::lock_guard lock(mutex_);
    const quint32 now = source_();
    if (now < last_)
        ++wraps_;
    last_ = now;
    return (quint64(wraps_) << 32) | now;
}

quint32 SystemTickCount32() {
    using namespace std::chrono;
    return quint32(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

quint64 GetTickCount64Ex() {
    static TickCounter counter(SystemTickCount32);
    return counter.Read();
}

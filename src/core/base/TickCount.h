#pragma once

#include <QtGlobal>

#include <functional>
#include <mutex>

// A 64-bit millisecond counter built from a 32-bit tick source that wraps every
// 49.7 days: each time a reading is smaller than the previous one, the high half
// advances. It must be read at least once per wrap, which the main tick does.
class TickCounter {
public:
    using Source = std::function<quint32()>;
    explicit TickCounter(Source source);

    quint64 Read();

private:
    std::mutex mutex_;
    Source source_;
    quint32 last_ = 0;
    quint32 wraps_ = 0;
};

// The system's monotonic milliseconds, low 32 bits.
quint32 SystemTickCount32();

// The process-wide counter all timing of the program uses.
quint64 GetTickCount64Ex();

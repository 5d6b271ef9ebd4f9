#include "station/TStation.h"

#include "base/TextCut.h"

QString SharedText::get() const {
    const std::lock_guard lock(mutex_);
    return text_;
}

void SharedText::set(const QString& text) {
    const std::lock_guard lock(mutex_);
    text_ = CutText(text, capacity_);
}

void TBlockQueue::Append(const void* data, qint32 length) {
    const std::lock_guard lock(mutex_);
    while (!entries_.empty() && entries_.front().isEmpty())
        entries_.pop_front();
    entries_.emplace_back(static_cast<const char*>(data), length);
}

bool TBlockQueue::TakeOldest(QByteArray* block) {
    const std::lock_guard lock(mutex_);
    for (QByteArray& entry : entries_) {
        if (entry.isEmpty())
            continue;
        block->swap(entry);
        entry.clear();
        return true;
    }
    return false;
}

void TBlockQueue::Clear() {
    const std::lock_guard lock(mutex_);
    entries_.clear();
}

int TBlockQueue::Count() const {
    const std::lock_guard lock(mutex_);
    int n = 0;
    for (const QByteArray& entry : entries_)
        n += entry.isEmpty() ? 0 : 1;
    return n;
}

QString TStation::WorkerURL() const {
    const std::lock_guard lock(ConfigLock);
    return Config.URL;
}

int TStation::WorkerConnect() const {
    const std::lock_guard lock(ConfigLock);
    return Config.Connect;
}

void TStation::WakeWorker() {
    // At most one wake-up is pending, so the semaphore's count stays at 0 or 1.
    if (!workerWoken_.exchange(true))
        workerBell_.release();
}

void TStation::WaitForWork() {
    // A semaphore rather than a timed condition wait: ThreadSanitizer follows its
    // atomics, but not the clock-based condition wait of this C++ library.
    if (workerBell_.try_acquire_for(std::chrono::milliseconds(100)))
        workerWoken_ = false;
}

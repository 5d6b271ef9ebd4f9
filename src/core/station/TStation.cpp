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

qint64 TBlockQueue::durationUs(const PcmBlock& block) {
    const qint64 bytesPerSecond = qint64(block.Rate) * block.Channels * 2;
    return bytesPerSecond > 0 ? block.Data.size() * 1000000 / bytesPerSecond : 0;
}

qint64 TBlockQueue::Append(const void* data, qint32 length, qint32 rate, quint8 channels) {
    PcmBlock block{QByteArray(static_cast<const char*>(data), length), rate, channels};
    const std::lock_guard lock(mutex_);
    queuedUs_ += durationUs(block);
    entries_.push_back(std::move(block));
    qint64 dropped = 0;
    while (queuedUs_ > limitUs_ && entries_.size() > 1) {
        queuedUs_ -= durationUs(entries_.front());
        entries_.pop_front();
        ++dropped;
    }
    dropped_ += dropped;
    const bool starts = dropped > 0 && !dropping_;
    dropping_ = dropping_ || dropped > 0;
    return starts ? dropped_ : 0;
}

bool TBlockQueue::TakeOldest(PcmBlock* block) {
    const std::lock_guard lock(mutex_);
    if (entries_.empty())
        return false;
    *block = std::move(entries_.front());
    entries_.pop_front();
    queuedUs_ -= durationUs(*block);
    dropping_ = false;
    return true;
}

void TBlockQueue::Clear() {
    const std::lock_guard lock(mutex_);
    entries_.clear();
    queuedUs_ = 0;
}

int TBlockQueue::Count() const {
    const std::lock_guard lock(mutex_);
    return int(entries_.size());
}

void TBlockQueue::SetLimitMs(qint64 ms) {
    const std::lock_guard lock(mutex_);
    limitUs_ = ms * 1000;
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
    workerBell_.acquire();
    workerWoken_ = false;
}

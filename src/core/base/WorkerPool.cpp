#include "base/WorkerPool.h"

#include "base/ThreadName.h"

#include <algorithm>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// A strand hands its thread back after this many tasks, so that one busy station
// cannot hold a thread while others wait.
constexpr int kBatch = 8;
// The pool does bulk work that can lag a little; the threads that keep pace with the
// network and the clock come first when the machine is busy.
constexpr int kNice = 5;

} // namespace

void Strand::Post(std::function<void()> task) {
    {
        const std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
        if (scheduled_)
            return;
        scheduled_ = true;
    }
    pool_.schedule(shared_from_this());
}

void Strand::Wait() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [&] { return !scheduled_; });
}

void Strand::runBatch() {
    for (int i = 0; i < kBatch; ++i) {
        std::function<void()> task;
        {
            const std::lock_guard lock(mutex_);
            if (tasks_.empty()) {
                scheduled_ = false;
                idle_.notify_all();
                return;
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
    pool_.schedule(shared_from_this());
}

WorkerPool::WorkerPool(int threads) {
    if (threads <= 0)
        threads = int(std::max(1u, std::thread::hardware_concurrency()));
    for (int i = 0; i < threads; ++i)
        threads_.emplace_back([this] { run(); });
}

WorkerPool::~WorkerPool() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    ready_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

void WorkerPool::schedule(std::shared_ptr<Strand> strand) {
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back(std::move(strand));
    }
    ready_.notify_one();
}

void WorkerPool::run() {
    NameThread("tw-encode");
    ::setpriority(PRIO_PROCESS, ::gettid(), kNice);
    for (;;) {
        std::shared_ptr<Strand> strand;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            // A strand being run may still queue itself again; its own thread is
            // still here to take it.
            if (queue_.empty())
                return;
            strand = std::move(queue_.front());
            queue_.pop_front();
        }
        strand->runBatch();
    }
}

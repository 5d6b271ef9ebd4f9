#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class WorkerPool;

// Tasks posted to one strand run one at a time, in the order they were posted, on
// whichever thread of the pool is free; different strands run in parallel.
class Strand : public std::enable_shared_from_this<Strand> {
public:
    explicit Strand(WorkerPool& pool) : pool_(pool) {}
    void Post(std::function<void()> task);
    // Returns once every task posted so far has run. Never called from the strand.
    void Wait();

private:
    friend class WorkerPool;
    void runBatch();

    WorkerPool& pool_;
    std::mutex mutex_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> tasks_;
    bool scheduled_ = false; // queued in the pool or running
};

// A fixed set of threads serving strands, a little below normal priority. Destroying
// the pool runs everything already posted before the threads end.
class WorkerPool {
public:
    // 0 threads: one per core.
    explicit WorkerPool(int threads = 0);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    std::shared_ptr<Strand> NewStrand() { return std::make_shared<Strand>(*this); }
    int Threads() const { return int(threads_.size()); }

private:
    friend class Strand;
    void schedule(std::shared_ptr<Strand> strand);
    void run();

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::shared_ptr<Strand>> queue_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

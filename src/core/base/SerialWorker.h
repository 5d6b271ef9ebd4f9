#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Runs jobs one after another on a thread of its own, in the order they were posted, so
// that slow file work leaves the caller's thread free. Destruction finishes every job
// already posted.
class SerialWorker {
public:
    SerialWorker();
    ~SerialWorker();
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    void Post(std::function<void()> job);
    // Returns once every job posted before the call has run.
    void Wait();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> jobs_;
    bool busy_ = false;
    bool stop_ = false;
    std::thread thread_;
};

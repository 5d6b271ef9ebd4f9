#include "base/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

// Each strand's tasks run in the order posted and never two at once, while the
// strands themselves run side by side on the pool's threads.
TEST(WorkerPoolTest, StrandsKeepTheirOrderAndRunInParallel) {
    WorkerPool pool(4);
    constexpr int kStrands = 6;
    constexpr int kTasks = 2000;
    std::vector<std::shared_ptr<Strand>> strands;
    std::vector<std::vector<int>> seen(kStrands);
    std::vector<std::atomic<int>> inside(kStrands);
    std::atomic<bool> overlapped{false};
    std::atomic<int> running{0}, widest{0};
    for (int s = 0; s < kStrands; ++s)
        strands.push_back(pool.NewStrand());
    for (int i = 0; i < kTasks; ++i)
        for (int s = 0; s < kStrands; ++s)
            strands[size_t(s)]->Post([&, s, i] {
                if (inside[size_t(s)]++ != 0)
                    overlapped = true;
                const int now = ++running;
                widest = std::max(widest.load(), now);
                if (i % 200 == 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                seen[size_t(s)].push_back(i);
                --running;
                --inside[size_t(s)];
            });
    for (auto& strand : strands)
        strand->Wait();
    EXPECT_FALSE(overlapped);
    EXPECT_GT(widest, 1);
    for (const std::vector<int>& order : seen) {
        ASSERT_EQ(order.size(), size_t(kTasks));
        for (int i = 0; i < kTasks; ++i)
            ASSERT_EQ(order[size_t(i)], i);
    }
}

// What was posted before the pool goes still runs: the last files get their tags.
TEST(WorkerPoolTest, EndingThePoolRunsWhatWasPosted) {
    std::atomic<int> done{0};
    {
        WorkerPool pool(2);
        for (int s = 0; s < 8; ++s) {
            const std::shared_ptr<Strand> strand = pool.NewStrand();
            for (int i = 0; i < 50; ++i)
                strand->Post([&] {
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                    ++done;
                });
        }
    }
    EXPECT_EQ(done, 400);
}

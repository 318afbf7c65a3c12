// The worker pool: every thread takes part in every task, and the pool ends
// cleanly however many threads it has.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

#include "engine/synthesis/worker_pool.h"

TEST(WorkerPool, EveryTaskRunsOnceOnEachThreadIncludingTheCaller)
{
    WorkerPool pool(4);
    ASSERT_EQ(pool.Size(), 4);
    std::mutex mutex;
    std::set<std::thread::id> threads;
    int runs = 0;
    for (int task = 0; task < 200; ++task) {
        pool.RunOnAll([&] {
            std::lock_guard<std::mutex> lock(mutex);
            threads.insert(std::this_thread::get_id());
            ++runs;
        });
        ASSERT_EQ(runs, 4 * (task + 1)) << "RunOnAll returned before every thread had finished";
    }
    EXPECT_EQ(threads.size(), 4u);
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 1u);
}

// Threads that share the work through a counter, as the batch adder does:
// each item is done exactly once.
TEST(WorkerPool, SharedCounterHandsOutEachItemOnce)
{
    WorkerPool pool(3);
    std::vector<std::atomic<int>> done(10000);
    std::atomic<std::size_t> next{0};
    pool.RunOnAll([&] {
        for (std::size_t item = next++; item < done.size(); item = next++)
            ++done[item];
    });
    for (std::size_t item = 0; item < done.size(); ++item)
        ASSERT_EQ(done[item].load(), 1) << item;
}

TEST(WorkerPool, OneThreadOrFewerRunsOnTheCallerAlone)
{
    for (const int threads : {1, 0, -3}) {
        WorkerPool pool(threads);
        EXPECT_EQ(pool.Size(), 1);
        std::thread::id ranOn;
        pool.RunOnAll([&] { ranOn = std::this_thread::get_id(); });
        EXPECT_EQ(ranOn, std::this_thread::get_id());
    }
}

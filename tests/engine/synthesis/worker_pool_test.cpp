// The worker pool: every thread takes part in every task, and the pool ends
// cleanly however many threads it has.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

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

// Between two tasks the workers first watch for the next one and then sleep:
// a task handed out after they have gone to sleep must still reach each of
// them, and the pool must end cleanly from either state and right after it
// started.
TEST(WorkerPool, TasksReachWorkersThatWatchAndWorkersThatSleep)
{
    WorkerPool pool(3);
    std::atomic<int> runs{0};
    for (const int pauseMs : {0, 0, 20, 0, 20}) {
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        const int before = runs.load();
        pool.RunOnAll([&] { ++runs; });
        EXPECT_EQ(runs.load(), before + 3) << "after a pause of " << pauseMs << " ms";
    }
}

TEST(WorkerPool, EndsWhetherItsWorkersHaveNoTaskYetWatchOrSleep)
{
    std::atomic<int> runs{0};
    { WorkerPool justStarted(4); }
    {
        WorkerPool watching(4);
        watching.RunOnAll([&] { ++runs; });
    }
    EXPECT_EQ(runs.load(), 4);
    {
        WorkerPool sleeping(4);
        sleeping.RunOnAll([&] { ++runs; });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(runs.load(), 8);
}

// What the workers write during a task, in plain memory, is all there for the
// caller when RunOnAll returns, task after task (ThreadSanitizer checks the
// hand-over too when the suite runs under it).
TEST(WorkerPool, TheCallerSeesEveryWriteOfATask)
{
    WorkerPool pool(3);
    std::vector<long> slots(3 * 4096);
    for (int task = 1; task <= 50; ++task) {
        std::atomic<std::size_t> next{0};
        pool.RunOnAll([&] {
            for (std::size_t slot = next++; slot < slots.size(); slot = next++)
                slots[slot] = task * static_cast<long>(slot);
        });
        for (std::size_t slot = 0; slot < slots.size(); ++slot)
            ASSERT_EQ(slots[slot], task * static_cast<long>(slot)) << "task " << task << ", slot " << slot;
    }
}

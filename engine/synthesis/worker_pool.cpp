#include "engine/synthesis/worker_pool.h"

#include <chrono>
#include <system_error>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

// How long a thread watches for the other side before it sleeps. Longer than
// the pause between two batches (the calling thread places 1000 grains in 35
// to 55 µs), short enough that an idle pool costs nothing measurable.
constexpr std::chrono::microseconds kWatchTime{300};

void PauseBriefly()
{
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#else
    std::this_thread::yield();
#endif
}

// Watches value until it differs from old or the watch time is over; answers
// the value last seen.
template <typename T>
T WatchWhileEqual(const std::atomic<T>& value, T old)
{
    const auto giveUp = std::chrono::steady_clock::now() + kWatchTime;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            const T now = value.load(std::memory_order_acquire);
            if (now != old)
                return now;
            PauseBriefly();
        }
        if (std::chrono::steady_clock::now() >= giveUp)
            return value.load(std::memory_order_acquire);
    }
}

}  // namespace

WorkerPool::WorkerPool(int threads)
{
    for (int i = 1; i < threads; ++i) {
        try {
            m_workers.emplace_back([this] { WorkerLoop(); });
        } catch (const std::system_error&) {
            break;  // fewer threads only make the work slower, not different
        }
    }
}

WorkerPool::~WorkerPool()
{
    m_bStopping = true;
    m_nTaskNumber.fetch_add(1, std::memory_order_release);
    m_nTaskNumber.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

void WorkerPool::RunOnAll(const std::function<void()>& task)
{
    if (m_workers.empty()) {
        task();
        return;
    }
    m_pTask = &task;
    m_nRunning.store(static_cast<int>(m_workers.size()), std::memory_order_relaxed);
    // The release publishes the task (and everything the caller wrote before)
    // to the workers that see the new number.
    m_nTaskNumber.fetch_add(1, std::memory_order_release);
    m_nTaskNumber.notify_all();
    task();
    AwaitWorkers();
    m_pTask = nullptr;
}

void WorkerPool::AwaitWorkers()
{
    for (int running = m_nRunning.load(std::memory_order_acquire); running != 0;
         running = m_nRunning.load(std::memory_order_acquire)) {
        running = WatchWhileEqual(m_nRunning, running);
        if (running != 0)
            m_nRunning.wait(running, std::memory_order_acquire);
    }
}

std::uint32_t WorkerPool::AwaitNextTask(std::uint32_t lastTask)
{
    std::uint32_t task = WatchWhileEqual(m_nTaskNumber, lastTask);
    while (task == lastTask) {
        m_nTaskNumber.wait(lastTask, std::memory_order_acquire);
        task = m_nTaskNumber.load(std::memory_order_acquire);
    }
    return task;
}

void WorkerPool::WorkerLoop()
{
    std::uint32_t lastTask = 0;
    for (;;) {
        lastTask = AwaitNextTask(lastTask);
        if (m_bStopping)
            return;
        (*m_pTask)();
        // The release hands the task's writes to the caller; the last worker
        // to finish wakes it, should it have gone to sleep.
        if (m_nRunning.fetch_sub(1, std::memory_order_acq_rel) == 1)
            m_nRunning.notify_one();
    }
}

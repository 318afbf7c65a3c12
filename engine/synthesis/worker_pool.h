// A fixed set of threads that run one task together and wait for the next.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

// The threads are started by the constructor and joined by the destructor. A
// task runs on every worker and on the calling thread at once; RunOnAll returns
// when all of them have finished it. The task divides the work itself (see
// TiledGrainAdder) and must not throw.
//
// A run hands the pool one task per batch of grains, a few milliseconds of
// work each, with a short pause between them while the calling thread places
// the next batch. Waking a sleeping thread took about 50 µs on the 2-core
// virtual machine this was measured on (futex or condition variable alike),
// twice per batch; a thread that watches an atomic sees the change within a
// microsecond. So the threads first watch for the next task (or for the
// workers' finish) for a short while, and only then sleep until woken.
class WorkerPool {
public:
    // threads counts the calling thread too: threads − 1 workers are started.
    // Should the system refuse a thread, the pool goes on with those it got.
    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Threads that take part in a task, the calling thread included.
    int Size() const { return static_cast<int>(m_workers.size()) + 1; }

    void RunOnAll(const std::function<void()>& task);

private:
    void WorkerLoop();
    std::uint32_t AwaitNextTask(std::uint32_t lastTask);
    void AwaitWorkers();

    std::vector<std::thread> m_workers;
    const std::function<void()>* m_pTask = nullptr;
    bool m_bStopping = false;
    // Each written by one side and watched by the other: one cache line each,
    // so that a thread watching one is not disturbed by writes to the other.
    alignas(64) std::atomic<std::uint32_t> m_nTaskNumber{0};  // counts the tasks handed out
    alignas(64) std::atomic<int> m_nRunning{0};               // workers still on the current task
};

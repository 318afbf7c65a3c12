// A fixed set of threads that run one task together and wait for the next.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The threads are started by the constructor and joined by the destructor. A
// task runs on every worker and on the calling thread at once; RunOnAll returns
// when all of them have finished it. The task divides the work itself (see
// TiledGrainAdder) and must not throw.
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

    std::vector<std::thread> m_workers;
    std::mutex m_mutex;
    std::condition_variable m_taskReady;
    std::condition_variable m_taskDone;
    const std::function<void()>* m_pTask = nullptr;
    std::uint64_t m_nTaskNumber = 0;  // counts the tasks handed out
    int m_nRunning = 0;               // workers still on the current task
    bool m_bStopping = false;
};

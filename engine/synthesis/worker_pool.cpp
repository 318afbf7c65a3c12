#include "engine/synthesis/worker_pool.h"

#include <system_error>

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
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
    }
    m_taskReady.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

void WorkerPool::RunOnAll(const std::function<void()>& task)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pTask = &task;
        m_nRunning = static_cast<int>(m_workers.size());
        ++m_nTaskNumber;
    }
    m_taskReady.notify_all();
    task();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_taskDone.wait(lock, [this] { return m_nRunning == 0; });
    m_pTask = nullptr;
}

void WorkerPool::WorkerLoop()
{
    std::uint64_t lastTask = 0;
    for (;;) {
        const std::function<void()>* task = nullptr;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_taskReady.wait(lock, [&] { return m_bStopping || m_nTaskNumber != lastTask; });
            if (m_bStopping)
                return;
            lastTask = m_nTaskNumber;
            task = m_pTask;
        }
        (*task)();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            --m_nRunning;
        }
        m_taskDone.notify_one();
    }
}

// Work that must not hold up the window (reading files, decoding sounds),
// run on a thread of its own, its result handed back on the window's thread.
#pragma once

#include <wx/app.h>

#include <functional>
#include <memory>
#include <thread>

namespace studio {

// Hands results back only while its owner lives: the owner keeps one and
// lets it go when it closes, and a result that arrives after that is dropped.
class BackgroundWork {
public:
    BackgroundWork() : m_pAlive(std::make_shared<bool>(true)) {}
    ~BackgroundWork() { *m_pAlive = false; }
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    // work runs on a new thread; done(result) runs later on the window's
    // thread, if this object still lives.
    template <typename Result>
    void Run(std::function<Result()> work, std::function<void(Result)> done)
    {
        std::weak_ptr<bool> alive = m_pAlive;
        std::thread([work = std::move(work), done = std::move(done), alive]() mutable {
            auto result = std::make_shared<Result>(work());
            if (wxTheApp == nullptr)
                return;
            wxTheApp->CallAfter([done = std::move(done), alive, result] {
                const std::shared_ptr<bool> living = alive.lock();
                if (living && *living)
                    done(std::move(*result));
            });
        }).detach();
    }

private:
    std::shared_ptr<bool> m_pAlive;
};

}  // namespace studio

// A long computation's look at whether to go on: asked as often as the work
// likes, it passes the question on to its owner at a steady pace.
#pragma once

#include <chrono>
#include <functional>
#include <utility>

class CancelPoll {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kDefaultInterval = std::chrono::milliseconds(10);

    // keepGoing answers false to stop (empty: never stops); it is asked on
    // the first look and then once interval has passed since the last ask.
    explicit CancelPoll(std::function<bool()> keepGoing = {}, Clock::duration interval = kDefaultInterval)
        : m_keepGoing(std::move(keepGoing)), m_interval(interval)
    {
    }

    // True once keepGoing has answered false, and from then on.
    bool Cancelled()
    {
        if (m_bCancelled || !m_keepGoing)
            return m_bCancelled;
        const Clock::time_point now = Clock::now();
        if (m_bAsked && now - m_tLastAsked < m_interval)
            return false;
        m_bAsked = true;
        m_tLastAsked = now;
        m_bCancelled = !m_keepGoing();
        return m_bCancelled;
    }

private:
    std::function<bool()> m_keepGoing;
    Clock::duration m_interval;
    Clock::time_point m_tLastAsked;
    bool m_bAsked = false;
    bool m_bCancelled = false;
};

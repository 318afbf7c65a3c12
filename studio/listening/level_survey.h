// The level a score's rendered file will have, found while the score is
// heard: a background pass synthesises the whole track as the renderer does
// and surveys it. The gain is estimated from the part surveyed so far and is
// exact once the pass is complete (for a loudness target, after a second
// pass over the finished sound, as the renderer measures it).
//
// The gain is what the synthesised sound is multiplied by to reach the
// file's level: the peak rule's volume over the peak, times the loudness
// step when the score asks for a loudness. Level evening changes the level
// over time; the survey then gives the average and stays an estimate.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "studio/listening/live_render.h"
#include "studio/listening/playable_score.h"

namespace studio {

class LevelSurvey {
public:
    LevelSurvey();
    ~LevelSurvey();
    LevelSurvey(const LevelSurvey&) = delete;
    LevelSurvey& operator=(const LevelSurvey&) = delete;

    // Surveys checked (the whole score, every layer heard), dropping any
    // survey under way; the last gain stays the estimate until the new
    // survey has something to say.
    void Survey(std::shared_ptr<const CheckedScore> checked);
    LevelEstimate GetEstimate() const;
    // Waits until the current survey is complete (tests and benchmarks).
    bool WaitUntilExact(double timeoutSeconds) const;

private:
    void Work();
    void Run(const CheckedScore& checked, std::uint64_t generation);
    void Publish(const LevelEstimate& estimate, std::uint64_t generation);
    bool IsCurrent(std::uint64_t generation) const { return m_nGeneration.load() == generation && !m_bStop.load(); }

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::shared_ptr<const CheckedScore> m_pPending;
    LevelEstimate m_estimate;
    std::atomic<std::uint64_t> m_nGeneration{0};
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};

}  // namespace studio

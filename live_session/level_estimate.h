// The level a score's rendered file will have, known while the score is
// heard: a survey on a background thread, first of short stretches spread
// evenly over the whole track (so a few per cent of it already says much),
// then of the whole track in order, as the renderer makes it, which makes
// the estimate exact. The short stretches are heard without the score's
// effects and with a short lead-in for shaped layers' filters (each would
// otherwise cost the seconds its chains and filters hear before it); the
// pass in order runs them as the file does.
//
// The means are what is taken off each channel of the synthesised sound, and
// the gain what it is then multiplied by, to reach the file's level: the
// volume over the peak, times the loudness step when the score asks for a
// loudness. With level evening the file's gain moves over time: the estimate
// then carries the evening's slow gain as a curve over the track, planned as
// the file's own plan is, from the sparse stretches at first (the loudness
// between them drawn from a forecast of the grain schedule, scaled to them)
// and from the whole track once it is surveyed.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/finishing/evening/gain_curve.h"
#include "live_session/session_score.h"

struct LevelEstimate {
    double m_dGain = 1.0;
    // Each channel's mean, which the file takes off before its gain (0 where
    // the render keeps its means: a mix that blocks DC layer by layer).
    double m_dMeanLeft = 0.0;
    double m_dMeanRight = 0.0;
    bool m_bKnown = false;     // false: no sound surveyed yet; the gain is a guess
    bool m_bExact = false;     // the whole track surveyed: the file's own gain
    double m_dSurveyed = 0.0;  // share of the track surveyed, 0 to 1
    // Level evening's gain along the track, applied after the means are taken
    // off and before m_dGain; null: no evening (a gain of 1 throughout).
    std::shared_ptr<const GainCurve> m_pEvening;

    // The whole gain at track frame frame: the evening's there times m_dGain.
    double GainAt(std::uint64_t frame) const { return m_pEvening ? m_pEvening->At(frame) * m_dGain : m_dGain; }
};

class LevelEstimator {
public:
    struct Options {
        // The length of a sparse stretch: short, so that a few per cent of
        // a track are many places in it.
        std::uint64_t m_nStretchFrames = 4410;
        // The share of the track surveyed in sparse stretches before the
        // pass in order begins (tracks shorter than kSparseFromFrames go
        // straight to it: it is soon over).
        double m_dSparseShare = 0.1;
        // Stop once this share is surveyed in sparse stretches, without the
        // pass in order (tests: the estimate at that point stays).
        bool m_bSparseOnly = false;
        // The survey yields the machine to what is heard.
        bool m_bLowerPriority = true;
    };
    static constexpr std::uint64_t kSparseFromFrames = 60 * 44100;

    LevelEstimator();
    explicit LevelEstimator(Options options);
    ~LevelEstimator();
    LevelEstimator(const LevelEstimator&) = delete;
    LevelEstimator& operator=(const LevelEstimator&) = delete;

    // Surveys score's level score, dropping any survey under way; the last
    // gain stays the estimate until the new survey has something to say.
    // A score that differs from the one surveyed only in its volume needs
    // no new survey where its sound scales with the volume alone (no
    // effects, no loudness asked for, no evening): the file's gain, the
    // volume over the peak, stays, the means scale with the volume (both as
    // a new survey would find them, to the rounding of 32-bit synthesis),
    // and the survey under way goes on.
    void Survey(std::shared_ptr<const SessionScore> score);
    LevelEstimate GetEstimate() const;
    // Waits until the current survey has ended (exact, or its sparse share
    // done when that is all it does); false after timeoutSeconds.
    bool WaitUntilDone(double timeoutSeconds) const;

private:
    class Run;

    void Work();
    void Publish(const LevelEstimate& estimate, std::uint64_t generation, bool done);
    bool IsCurrent(std::uint64_t generation) const;

    const Options m_options;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::shared_ptr<const SessionScore> m_pPending;
    std::shared_ptr<const SessionScore> m_pSurveyed;  // the score of the survey under way, or last made
    int m_nVolume = 0;            // the volume of the score last asked for
    double m_dMeanScale = 1.0;    // that volume over the surveyed score's
    LevelEstimate m_estimate;
    bool m_bDone = true;
    std::atomic<std::uint64_t> m_nGeneration{0};
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};

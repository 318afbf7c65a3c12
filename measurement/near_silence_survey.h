// How much of a finished track lies near silence: long stretches below
// -70 dBFS are where a 16-bit output's quiet tails fall to steps and to
// digital zero, which the end-of-run report tells the user of.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/io/frame_sink.h"

// Takes the finished sound (full scale ±1.0, at the run's rate) in blocks of
// kBlockFrames; a block is quiet where its peak over both channels is below
// -70 dBFS, and below a 16-bit step where it is below 1 / 32767 (truncated to
// 16 bits it is all zeros). The last block may be short.
class NearSilenceSurvey {
public:
    static constexpr std::uint64_t kBlockFrames = 4410;  // 0.1 s

    void Take(const StereoFrame* frames, std::size_t count);
    // After the last frame: the short last block counts too.
    void End() { EndBlock(); }

    double QuietSeconds() const { return Seconds(m_nQuietFrames); }
    double BelowStepSeconds() const { return Seconds(m_nBelowStepFrames); }
    // The longest run of quiet blocks and where it starts, in seconds.
    double LongestQuietSeconds() const { return Seconds(m_nLongestFrames); }
    double LongestQuietStart() const { return Seconds(m_nLongestStart); }

private:
    static double Seconds(std::uint64_t frames);
    void EndBlock();

    std::uint64_t m_nFrame = 0;       // frames taken
    std::uint64_t m_nBlockFrames = 0;  // of the block being taken
    float m_fBlockPeak = 0.0f;
    std::uint64_t m_nQuietFrames = 0;
    std::uint64_t m_nBelowStepFrames = 0;
    std::uint64_t m_nRunStart = 0;  // of the run of quiet blocks going on
    std::uint64_t m_nRunFrames = 0;
    std::uint64_t m_nLongestStart = 0;
    std::uint64_t m_nLongestFrames = 0;
};

// Hands every frame to the sink it wraps and shows it to the survey.
class NearSilenceWatchSink final : public FrameSink {
public:
    NearSilenceWatchSink(std::unique_ptr<FrameSink> sink, NearSilenceSurvey& survey);

    std::optional<RunMessage> Create(const std::string& path) override { return m_pSink->Create(path); }
    void Write(const StereoFrame* frames, std::size_t count) override;
    // The survey's last block ends here.
    void Finish(bool cancelled) override;
    void Discard() override { m_pSink->Discard(); }
    std::uint64_t GetBytesWritten() const override { return m_pSink->GetBytesWritten(); }

private:
    std::unique_ptr<FrameSink> m_pSink;
    NearSilenceSurvey& m_survey;
};

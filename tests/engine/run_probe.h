// A GenerationRun whose buffers and grain state a test can set and inspect.
#pragma once

#include <cstdlib>
#include <vector>

#include "generation_run.h"

class RunProbe : public GenerationRun {
public:
    using GenerationRun::GenerationRun;

    // Replaces the SourceBuffer with frames (released by the run as usual).
    void UseSource(const std::vector<StereoFrame>& frames)
    {
        std::free(m_pSource);
        m_pSource = static_cast<StereoFrame*>(std::calloc(frames.size() + 1, sizeof(StereoFrame)));
        for (std::size_t i = 0; i < frames.size(); ++i)
            m_pSource[i] = frames[i];
        m_nSourceFrames = static_cast<std::uint32_t>(frames.size());
    }
    // A source length without a buffer, for choosing positions only.
    void UseSourceLength(std::uint32_t frames) { m_nSourceFrames = frames; }

    // Replaces the OutputBuffer with frames.
    void UseOutput(const std::vector<StereoFrame>& frames)
    {
        std::free(m_pOutput);
        m_pOutput = static_cast<StereoFrame*>(std::calloc(frames.size() + 1, sizeof(StereoFrame)));
        for (std::size_t i = 0; i < frames.size(); ++i)
            m_pOutput[i] = frames[i];
        m_nOutputFrames = static_cast<std::uint32_t>(frames.size());
    }
    std::vector<StereoFrame> Output() const { return {m_pOutput, m_pOutput + m_nOutputFrames}; }

    // Window table for AddGrain on its own.
    void UseWindow(const std::vector<float>& gains)
    {
        std::free(m_pWindow);
        m_pWindow = static_cast<float*>(std::calloc(gains.size() + 1, sizeof(float)));
        for (std::size_t i = 0; i < gains.size(); ++i)
            m_pWindow[i] = gains[i];
    }

    std::int32_t PositionA() const { return m_nPositionA; }
    std::int32_t PositionB() const { return m_nPositionB; }
    std::int32_t SegmentLength() const { return m_nSegmentLength; }
    std::int32_t GrainInSegment() const { return m_nGrainInSegment; }
    void SetSegmentState(std::int32_t length, std::int32_t grainInSegment)
    {
        m_nSegmentLength = length;
        m_nGrainInSegment = grainInSegment;
    }
    void SetPositions(std::int32_t a, std::int32_t b)
    {
        m_nPositionA = a;
        m_nPositionB = b;
    }
    void SetPhaseStart(std::int64_t seconds) { m_tPhaseStart = seconds; }
    std::int32_t Elapsed() const { return m_nElapsed; }
};

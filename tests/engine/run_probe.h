// A GenerationRun whose buffers and grain state a test can set and inspect.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "engine/generation_run.h"

class RunProbe : public GenerationRun {
public:
    using GenerationRun::GenerationRun;

    // Replace the SourceBuffer, the OutputBuffer or the window table (the run
    // releases them as usual); UseSourceLength sets a length without a buffer.
    void UseSource(const std::vector<StereoFrame>& frames) { m_nSourceFrames = Copy(m_pSource, frames); }
    void UseSourceLength(std::uint32_t frames) { m_nSourceFrames = frames; }
    void UseOutput(const std::vector<StereoFrame>& frames) { m_nOutputFrames = Copy(m_pOutput, frames); }
    void UseWindow(const std::vector<float>& gains) { Copy(m_pWindow, gains); }
    std::vector<StereoFrame> Output() const { return {m_pOutput, m_pOutput + m_nOutputFrames}; }

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

private:
    template <typename T>
    static std::uint32_t Copy(T*& buffer, const std::vector<T>& values)
    {
        std::free(buffer);
        buffer = static_cast<T*>(std::calloc(values.size() + 1, sizeof(T)));
        std::copy(values.begin(), values.end(), buffer);
        return static_cast<std::uint32_t>(values.size());
    }
};

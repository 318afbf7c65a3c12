// A GenerationRun whose buffers a test can set and inspect.
#pragma once

#include <algorithm>
#include <vector>

#include "engine/generation_run.h"

class RunProbe : public GenerationRun {
public:
    using GenerationRun::GenerationRun;

    // Replace the SourceBuffer or the OutputBuffer (the run releases them as usual).
    void UseSource(const std::vector<StereoFrame>& frames) { m_sourceBuffer = Copy(frames); }
    void UseOutput(const std::vector<StereoFrame>& frames) { m_outputBuffer = Copy(frames); }
    std::vector<StereoFrame> Output() const { return {m_outputBuffer.data(), m_outputBuffer.data() + m_outputBuffer.size()}; }

private:
    static SoundBuffer Copy(const std::vector<StereoFrame>& frames)
    {
        SoundBuffer buffer = *SoundBuffer::Allocate(SystemAllocate, frames.size());
        std::copy(frames.begin(), frames.end(), buffer.data());
        return buffer;
    }
};

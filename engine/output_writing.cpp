// Phase 5 of a run: the finished OutputBuffer written as 16-bit stereo frames,
// and the WAV header's sizes set for the frames written.
#include <cmath>

#include "engine/generation_run.h"

namespace {

constexpr double kOutputScale = 32767.0;

// trunc(value × 32767) taken as a signed 16-bit value. After level finishing
// every value lies within ±volume, so nothing is cut off; anything that could
// not become an integer at all is written as silence.
std::int16_t ToPcmSample(float value)
{
    const double scaled = std::trunc(value * kOutputScale);
    if (!(std::fabs(scaled) <= 32768.0))
        return 0;
    return static_cast<std::int16_t>(static_cast<std::int32_t>(scaled));
}

}  // namespace

int GenerationRun::WriteOutput()
{
    m_tPhaseStart = Now();
    m_nFramesWritten = 0;
    while (m_nFramesWritten < m_outputBuffer.size() && m_bKeepGoing == 1) {
        const std::uint32_t j = m_nFramesWritten;
        PcmFrame frame;
        frame.left = ToPcmSample(m_outputBuffer[j].left);
        frame.right = ToPcmSample(m_outputBuffer[j].right);
        m_output.WriteFrame(frame);
        if (j % 1000 == 0)
            ProgressPoint(GenerationHost::Phase::Writing, j, m_outputBuffer.size());
        m_nFramesWritten += 1;
    }
    // Also after a cancel: the file then holds the frames written so far.
    if (m_nFramesWritten > 0)
        m_output.FinishHeader(static_cast<int>(m_nFramesWritten));
    m_output.CloseFile();
    EndPhase(GenerationHost::Phase::Writing);
    return 0;
}

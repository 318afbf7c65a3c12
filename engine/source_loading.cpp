// Phase 1 of a run: the whole input read into the SourceBuffer as 44100 Hz
// stereo float frames, after checking that it is long enough to read grains from.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "resources/strings/format_string.h"
#include "engine/generation_run.h"
#include "engine/message_box.h"
#include "resources/strings/resource_ids.h"

namespace {

// 16-bit samples are scaled by 1/32767 (as a 32-bit float): 32767 becomes 1.0.
constexpr float kInputScale = 1.0f / 32767.0f;
// Read positions are signed 32-bit frame indices, so the buffer cannot be larger.
constexpr std::uint64_t kMaxSourceFrames = std::numeric_limits<std::int32_t>::max();

float ToSample(std::int16_t value)
{
    return static_cast<float>(value * static_cast<double>(kInputScale));
}

}  // namespace

// The input's frame count at 44100 Hz: × 1, × 2 or × 4 of its own.
std::uint64_t GenerationRun::ConvertedSourceFrames() const
{
    const double frames = std::trunc(static_cast<double>(kRunSampleRate) / m_input.GetSampleRate() *
                                     m_input.GetFrameCount());
    return static_cast<std::uint64_t>(frames);
}

// A grain reads m_nGrainFrames frames from a start that may lie anywhere up to
// the span's end, and the span needs one frame more than a grain.
bool GenerationRun::IsSourceLongEnough()
{
    const std::int64_t grainFrames = m_settings.m_nGrainFrames;
    return static_cast<std::int64_t>(ConvertedSourceFrames()) > grainFrames;
}

// Names the shortest input that would do, in frames and milliseconds at the
// input's own rate (rounded up, so that an input of that length is enough).
void GenerationRun::RefuseShortSource()
{
    const std::int64_t rate = m_input.GetSampleRate();
    const std::int64_t framesPerInputFrame = kRunSampleRate / rate;
    const std::int64_t grainFrames = m_settings.m_nGrainFrames;
    const std::int64_t shortestFrames = (grainFrames + framesPerInputFrame) / framesPerInputFrame;
    const std::int64_t shortestMs = (shortestFrames * 1000 + rate - 1) / rate;
    const std::int64_t grainMs = (grainFrames * 1000 + kRunSampleRate / 2) / kRunSampleRate;
    const std::string text = FormatResourceString(
        IDS_ERR_INPUT_TOO_SHORT, {std::to_string(grainMs), std::to_string(shortestMs),
                                  std::to_string(shortestFrames), std::to_string(rate)});
    m_host.ShowMessage(IDS_ERR_INPUT_TOO_SHORT, text, MB_OK | MB_ICONEXCLAMATION);
}

int GenerationRun::LoadSource()
{
    m_tPhaseStart = Now();
    const std::uint64_t frames = ConvertedSourceFrames();
    if (frames > kMaxSourceFrames) {
        ShowError(IDS_ERR_SOURCE_MEMORY);
        return 1;
    }
    std::optional<SoundBuffer> source = SoundBuffer::Allocate(m_allocate, frames);
    if (!source) {
        ShowError(IDS_ERR_SOURCE_MEMORY);
        return 1;
    }
    m_sourceBuffer = std::move(*source);
    for (std::uint32_t i = 0; i < m_sourceBuffer.size(); ++i) {
        PcmFrame frame;
        m_input.ReadFrame(frame);
        if (i % 1000 == 0)
            ProgressPoint(GenerationHost::Phase::Loading, i, m_sourceBuffer.size());
        m_sourceBuffer[i] = {ToSample(frame.left), ToSample(frame.right)};
    }
    EndPhase(GenerationHost::Phase::Loading);
    m_input.CloseFile();
    return 0;
}

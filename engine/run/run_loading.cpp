// Phase 1 of a run: the whole input read into the SourceBuffer as 44100 Hz
// stereo float frames, after checking that it is long enough to read grains
// from.
#include <cstdint>
#include <limits>
#include <string>

#include "engine/run/generation_run.h"
#include "engine/base/progress_points.h"
#include "engine/scheduling/grain_scheduler.h"
#include "resources/strings/resource_ids.h"

namespace {

// Read positions are signed 32-bit frame indices, so the buffer cannot be larger.
constexpr std::uint64_t kMaxSourceFrames = std::numeric_limits<std::int32_t>::max();

// a / b rounded up, for positive b.
std::int64_t DivideRoundingUp(std::int64_t a, std::int64_t b)
{
    return (a + b - 1) / b;
}

}  // namespace

// A grain reads m_nGrainFrames frames (more or fewer when it is transposed)
// from a start that may lie anywhere up to the span's end, and the span needs
// one frame more than the longest read.
bool GenerationRun::IsSourceLongEnough() const
{
    return m_settings.m_nGrainFrames < 0 ||
           m_pSource->GetFrameCount() > GrainScheduler::LongestRead(GrainSettingsOf(m_settings));
}

// Names the shortest input that would do, in frames and milliseconds at the
// input's own rate, both rounded up so that an input of that length is
// enough: the frames whose count at 44100 Hz reaches one more than a grain.
RunOutcome GenerationRun::RefuseShortSource()
{
    const std::int64_t fileRate = m_pSource->GetFileRate();
    const std::int64_t rate = fileRate > 0 ? fileRate : kRunSampleRate;
    const std::int64_t grainFrames = m_settings.m_nGrainFrames;
    const auto longestRead = static_cast<std::int64_t>(GrainScheduler::LongestRead(GrainSettingsOf(m_settings)));
    const std::int64_t shortestFrames = DivideRoundingUp((longestRead + 1) * rate, kRunSampleRate);
    const std::int64_t shortestMs = DivideRoundingUp(shortestFrames * 1000, rate);
    const std::int64_t grainMs = (grainFrames * 1000 + kRunSampleRate / 2) / kRunSampleRate;
    const RunOutcome refused =
        Fail(TableMessage(IDS_ERR_INPUT_TOO_SHORT, {std::to_string(grainMs), std::to_string(shortestMs),
                                                    std::to_string(shortestFrames), std::to_string(rate)}));
    m_pSource->Close();
    return refused;
}

// The source is read in blocks that end at the progress points. The loop does
// not look at the keep-going answer: a cancel takes effect after loading.
bool GenerationRun::LoadSource()
{
    m_tPhaseStart = Now();
    const std::uint64_t frames = m_pSource->GetFrameCount();
    std::optional<SoundBuffer> source;
    if (frames <= kMaxSourceFrames)
        source = SoundBuffer::Allocate(m_allocate, frames);
    if (!source) {
        Fail(TableMessage(IDS_ERR_SOURCE_MEMORY));
        return false;
    }
    m_sourceBuffer = std::move(*source);
    ForEachPieceToAPoint(frames, kIterationsPerProgressPoint, [&](std::uint64_t first, std::uint64_t count,
                                                                  bool endsOnPoint) {
        m_pSource->Read(m_sourceBuffer.data() + first, count);
        if (endsOnPoint)
            ProgressPoint(Phase::Loading, first + count - 1, frames);
        return true;
    });
    EndPhase(Phase::Loading);
    m_pSource->Close();
    return true;
}

// The loading phase of a run: every source given as a SoundSource read whole
// into memory as 44100 Hz stereo float frames, after the piece has checked
// that it is long enough to read grains from.
#include <cstdint>
#include <limits>

#include "engine/base/progress_points.h"
#include "engine/run/score_run.h"

namespace {

// Read positions are signed 32-bit frame indices, so a source cannot be larger.
constexpr std::uint64_t kMaxSourceFrames = std::numeric_limits<std::int32_t>::max();

}  // namespace

// Reads the sources' sound (there may be none to read), then closes them.
bool ScoreRun::LoadSources()
{
    bool any = false;
    for (auto& entry : m_sources) {
        if (!entry.second.m_pSource)
            continue;
        if (!any)
            m_tPhaseStart = Now();
        any = true;
        if (!LoadSource(entry.second))
            return false;
    }
    if (!any)
        return true;
    m_host.EndPhase(Phase::Loading);
    CloseSources();
    return true;
}

// The source is read in blocks that end at the progress points. The loop does
// not look at the keep-going answer: a cancel takes effect after loading.
bool ScoreRun::LoadSource(Source& source)
{
    SoundSource& input = *source.m_pSource;
    const std::uint64_t frames = input.GetFrameCount();
    std::optional<SoundBuffer> sound;
    if (frames <= kMaxSourceFrames)
        sound = SoundBuffer::Allocate(m_allocate, frames);
    if (!sound) {
        Fail(RunFailure::Of(RunFailure::Kind::SourceMemory));
        return false;
    }
    source.m_loaded = std::move(*sound);
    source.m_sound = source.m_loaded.Span();
    ForEachPieceToAPoint(frames, kIterationsPerProgressPoint, [&](std::uint64_t first, std::uint64_t count,
                                                                  bool endsOnPoint) {
        input.Read(source.m_loaded.data() + first, count);
        if (endsOnPoint)
            ProgressPoint(Phase::Loading, first + count - 1, frames);
        return true;
    });
    return true;
}

// Phase 4 of a run: the OutputBuffer finished in place by a LevelFinisher,
// pass by pass, serving the host every 100000 frames of each pass.
#include <span>

#include "engine/generation_run.h"
#include "engine/level_finisher.h"
#include "engine/progress_points.h"

namespace {

// One pass over sound in pieces that end at every 100000th frame, serving the
// host after each of those frames. No pass looks at the keep-going answer.
template <typename Pass, typename Serve>
void FinishingPass(std::span<StereoFrame> sound, Pass pass, Serve serve)
{
    ForEachPieceToAPoint(sound.size(), kFramesPerFinishingPump,
                         [&](std::uint64_t first, std::uint64_t count, bool endsOnPoint) {
                             pass(sound.subspan(first, count), first);
                             if (endsOnPoint)
                                 serve();
                             return true;
                         });
}

}  // namespace

void GenerationRun::FinishLevels()
{
    const std::span<StereoFrame> sound = m_outputBuffer.Span();
    LevelFinisher finisher(m_settings.m_dVolume, m_settings.m_nFadeSeconds * kRunSampleRate, sound.size());
    const auto serve = [this] { ServeHost(); };
    FinishingPass(sound, [&](std::span<StereoFrame> piece, std::uint64_t) { finisher.AddToSums(piece); }, serve);
    FinishingPass(sound, [&](std::span<StereoFrame> piece, std::uint64_t) { finisher.RemoveMeans(piece); }, serve);
    FinishingPass(sound, [&](std::span<StereoFrame> piece, std::uint64_t) { finisher.FindPeak(piece); }, serve);
    FinishingPass(
        sound, [&](std::span<StereoFrame> piece, std::uint64_t first) { finisher.ScaleAndFade(piece, first); }, serve);
}

// Phase 5 of a run: the finished OutputBuffer handed to the sink, in blocks
// that end at the progress points, and the sink completed.
#include "engine/frame_sink.h"
#include "engine/generation_run.h"
#include "engine/progress_points.h"

// The keep-going answer can only change at a progress point, so looking at it
// before each block is looking at it before each frame: a cancel at the
// progress point of frame j leaves exactly j + 1 frames written.
void GenerationRun::WriteOutput()
{
    m_tPhaseStart = Now();
    m_nFramesWritten = 0;
    const std::uint64_t total = m_outputBuffer.size();
    ForEachPieceToAPoint(total, kIterationsPerProgressPoint, [&](std::uint64_t first, std::uint64_t count,
                                                                 bool endsOnPoint) {
        if (!m_bKeepGoing)
            return false;
        m_pSink->Write(m_outputBuffer.data() + first, count);
        m_nFramesWritten = first + count;
        if (endsOnPoint)
            ProgressPoint(Phase::Writing, first + count - 1, total);
        return true;
    });
    // Also after a cancel: the WAV sink then completes the file with the
    // frames written so far.
    m_pSink->Finish(!m_bKeepGoing);
    EndPhase(Phase::Writing);
}

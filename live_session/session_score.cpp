#include "live_session/session_score.h"

#include <algorithm>

#include "score_file/piece_refusal_text.h"
#include "engine/base/stereo_frame.h"

std::uint64_t TrackFramesOf(const Score& score)
{
    return static_cast<std::uint64_t>(std::max(score.m_nLengthSeconds, 0)) * kRunSampleRate;
}

ScorePiece::Making MakeSessionPiece(const SessionScore& session, const Score& score, std::uint64_t excerptFrames)
{
    PieceRequest request;
    request.m_pScore = &score;
    request.m_nSeed = session.m_nSeed;
    request.m_nExcerptFrames = excerptFrames;
    SynthesisOptions options;
    options.m_nThreads = 1;
    return ScorePiece::Make(request, session.m_sources, options);
}

std::string DescribeRefusal(const SessionScore& session, const Score& score, const ScorePiece::Making& made)
{
    if (!made.m_refusal)
        return session.Describe(0, kNoMemoryForSources);
    const ScoreLayer& layer = score.m_layers.at(made.m_refusal->m_nLayer);
    return session.Describe(layer.m_nLine, PieceRefusalText(*made.m_refusal, layer));
}

#include "live_session/session_score.h"

#include <algorithm>

#include "score_file/piece_refusal_text.h"
#include "engine/base/stereo_frame.h"

std::uint64_t TrackFramesOf(const Score& score)
{
    return static_cast<std::uint64_t>(std::max(score.m_nLengthSeconds, 0)) * kRunSampleRate;
}

ScorePiece::Making MakeSessionPiece(const SessionScore& session, const Score& score, std::uint64_t excerptFrames,
                                    SessionPieceUse use)
{
    PieceRequest request;
    request.m_pScore = &score;
    request.m_nSeed = session.m_nSeed;
    request.m_nExcerptFrames = excerptFrames;
    if (use == SessionPieceUse::AsRendered)
        request.m_makeChain = session.m_makeChain;
    else
        request.m_shapingLeadInFrames = kSparseSurveyShapingLeadIn;
    SynthesisOptions options;
    options.m_nThreads = 1;
    return ScorePiece::Make(request, session.m_sources, options);
}

// Each chain is made once, as a render would make it, and let go.
std::optional<std::string> DescribeChainProblem(const SessionScore& session, const Score& score)
{
    if (!session.m_makeChain)
        return std::nullopt;
    const auto problem = [&session](const EffectChainSetting& settings) -> std::optional<std::string> {
        if (settings.empty())
            return std::nullopt;
        try {
            session.m_makeChain(settings);
        } catch (const SoundChainFailure& failure) {
            return session.Describe(settings.front().m_nLine, failure.what());
        }
        return std::nullopt;
    };
    for (const ScoreLayer& layer : score.m_layers) {
        if (std::optional<std::string> text = problem(layer.m_effects))
            return text;
    }
    return problem(score.m_effects);
}

std::string DescribeRefusal(const SessionScore& session, const Score& score, const ScorePiece::Making& made)
{
    if (!made.m_refusal)
        return session.Describe(0, kNoMemoryForSources);
    const ScoreLayer& layer = score.m_layers.at(made.m_refusal->m_nLayer);
    return session.Describe(layer.m_nLine, PieceRefusalText(*made.m_refusal, layer));
}

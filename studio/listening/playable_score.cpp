#include "studio/listening/playable_score.h"

#include <cmath>

#include "score_file/piece_refusal_text.h"
#include "score_file/score_reading.h"
#include "score_file/score_writing.h"
#include "score_file/source_fingerprint.h"
#include "studio/model/document_files.h"

namespace studio {

std::uint64_t TrackFrames(const Score& score)
{
    return static_cast<std::uint64_t>(std::max(score.m_nLengthSeconds, 0)) * kRunSampleRate;
}

Score MonitoredScore(const Score& score, const std::vector<bool>& heard)
{
    Score monitored = score;
    for (std::size_t i = 0; i < monitored.m_layers.size() && i < heard.size(); ++i) {
        if (heard[i])
            continue;
        ScoreLayer& layer = monitored.m_layers[i];
        layer.m_dGainDb = -INFINITY;
        layer.m_gainDrift.reset();
        for (Keyframe& keyframe : layer.m_keyframes)
            keyframe.m_gainDb.reset();
    }
    return monitored;
}

ScoreCheck CheckScore(const LiveScore& live, SourceCache& sources, const std::function<bool()>& cancelled)
{
    ScoreCheck check;
    // The file's text, read back: the same score the command-line renders.
    const Score named = ScoreNamedFrom(MonitoredScore(*live.m_pScore, live.m_heard), live.m_strFolder);
    const std::string text = WriteScoreText(named);
    ScoreReading reading = ParseScoreText(text, live.m_strDisplayName, live.m_strFolder);
    if (!reading.m_score) {
        check.m_strError = reading.m_strError;
        return check;
    }
    auto checked = std::make_shared<CheckedScore>();
    checked->m_score = std::move(*reading.m_score);
    checked->m_nSeed = live.m_nSeed;
    for (const ScoreLayer& layer : checked->m_score.m_layers) {
        if (checked->m_sources.count(layer.m_strSourcePath) > 0)
            continue;
        const LoadedSource loaded = sources.Load(layer.m_strSourcePath, cancelled);
        if (!loaded.m_pSound) {
            if (!loaded.m_strError.empty())
                check.m_strError = ScoreMessage(live.m_strDisplayName, layer.m_nLine, loaded.m_strError);
            return check;
        }
        if (layer.m_storedSource && layer.m_storedSource->m_nHash != loaded.m_facts.m_nHash) {
            check.m_strError = ScoreMessage(
                live.m_strDisplayName, layer.m_nLine,
                layer.m_strSource + " has changed since this score was stored (its content hash is " +
                    FormatSourceHash(loaded.m_facts.m_nHash) + ", the score's " +
                    FormatSourceHash(layer.m_storedSource->m_nHash) +
                    "), so the render would differ; remove source_hash and source_seconds from the layer to render "
                    "it as it is now");
            return check;
        }
        checked->m_sounds.push_back(loaded.m_pSound);
        checked->m_sources.emplace(layer.m_strSourcePath, loaded.m_pSound->Span());
    }
    check.m_pChecked = std::move(checked);
    return check;
}

PieceMaking MakePiece(const CheckedScore& checked, const std::string& displayName, std::uint64_t first,
                      std::uint64_t frames, int threads)
{
    PieceRequest request;
    request.m_pScore = &checked.m_score;
    request.m_nSeed = checked.m_nSeed;
    request.m_nExcerptFirst = first;
    request.m_nExcerptFrames = frames;
    SynthesisOptions options;
    options.m_nThreads = threads;
    ScorePiece::Making made = ScorePiece::Make(request, checked.m_sources, options);
    PieceMaking making;
    if (made.m_refusal) {
        const ScoreLayer& layer = checked.m_score.m_layers.at(made.m_refusal->m_nLayer);
        making.m_strError = ScoreMessage(displayName, layer.m_nLine, PieceRefusalText(*made.m_refusal, layer));
        return making;
    }
    if (!made.m_pPiece) {
        making.m_strError = ScoreMessage(displayName, 0, kNoMemoryForSources);
        return making;
    }
    making.m_pPiece = std::move(made.m_pPiece);
    return making;
}

}  // namespace studio

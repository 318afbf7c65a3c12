// What a live session renders: a score with its sources in memory, the score
// whose level the rendered file would have, and how to name it in messages.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <span>
#include <string>

#include "engine/base/stereo_frame.h"
#include "engine/run/score_piece.h"
#include "engine/score/score.h"
#include "engine/synthesis/sound_chain.h"

// A stretch of the track in frames at 44100 Hz: [m_nFirst, m_nEnd).
struct FrameStretch {
    std::uint64_t m_nFirst = 0;
    std::uint64_t m_nEnd = 0;
    bool operator==(const FrameStretch&) const = default;
};

struct SessionScore {
    // What is heard (a muted layer already silenced).
    std::shared_ptr<const Score> m_pScore;
    // The score whose level the rendered file has: every layer heard. Null:
    // m_pScore itself.
    std::shared_ptr<const Score> m_pLevelScore;
    std::uint32_t m_nSeed = 0;
    // The sound of each source path the layers name, at 44100 Hz, kept in
    // place by m_pHeld for as long as the session renders this score.
    std::map<std::string, std::span<const StereoFrame>> m_sources;
    std::shared_ptr<const void> m_pHeld;
    // A refusal of the score in a sentence: its line (0: none) and why.
    // Empty: the reason as it stands.
    std::function<std::string(int line, const std::string& why)> m_describe;
    // Makes the chains of the score's effects (the program's plugin host);
    // none: the score is heard dry.
    SoundChainMaker m_makeChain;

    const Score& LevelScore() const { return m_pLevelScore ? *m_pLevelScore : *m_pScore; }
    std::string Describe(int line, const std::string& why) const { return m_describe ? m_describe(line, why) : why; }
};

// A score made ready on the session's own thread (reading files may take a
// while): either a score, or why there is none. Neither: the load was
// cancelled, because a newer score came.
struct SessionScoreLoad {
    std::shared_ptr<const SessionScore> m_pScore;
    std::string m_strError;
};

// cancelled answers true once the load is no longer wanted.
using SessionScoreLoader = std::function<SessionScoreLoad(const std::function<bool()>& cancelled)>;

// The frames of a score's track.
std::uint64_t TrackFramesOf(const Score& score);

// What a piece of score is made for: to be heard (or surveyed in order) as
// the file has it; or for short stretches of a level survey, without the
// score's effects (each stretch would cost the seconds its chains hear
// before it) and with a shaped layer's filters begun a fifth of a second
// before it, not two seconds (they settle to its level by then).
enum class SessionPieceUse { AsRendered, SparseSurvey };
constexpr std::uint64_t kSparseSurveyShapingLeadIn = 8820;

// A piece of score (the session's score, or the one its level is taken
// from) made on one thread from the session's sources: an excerpt of
// excerptFrames frames, or the whole track (0).
ScorePiece::Making MakeSessionPiece(const SessionScore& session, const Score& score, std::uint64_t excerptFrames,
                                    SessionPieceUse use = SessionPieceUse::AsRendered);
// Why the chains of the score's effects cannot be made, in a sentence;
// none: they can (or the score is heard dry).
std::optional<std::string> DescribeChainProblem(const SessionScore& session, const Score& score);
// Why no piece of score was made, in a sentence (see SessionScore::Describe).
std::string DescribeRefusal(const SessionScore& session, const Score& score, const ScorePiece::Making& made);

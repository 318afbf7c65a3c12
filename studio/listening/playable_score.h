// A score made ready to render in the studio, as sonnelith-cli would render
// the score file the studio saves: written as that file's text and read
// back (so what is heard is what the file holds, and a refusal names the
// file's line), its sources loaded and checked against any content hash the
// score keeps, its piece made.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/score/score.h"
#include "engine/run/score_piece.h"
#include "studio/listening/live_render.h"
#include "studio/listening/source_cache.h"

namespace studio {

// The score as its file would read, and the sounds it reads, held for as
// long as any piece made from them lives.
struct CheckedScore {
    Score m_score;
    std::uint32_t m_nSeed = 0;
    std::vector<std::shared_ptr<const SoundBuffer>> m_sounds;
    std::map<std::string, std::span<const StereoFrame>> m_sources;
};

struct ScoreCheck {
    std::shared_ptr<const CheckedScore> m_pChecked;  // null: refused (or cancelled: no error)
    std::string m_strError;
};

// Checks and loads live (the heard layers as they are; see MonitoredScore).
ScoreCheck CheckScore(const LiveScore& live, SourceCache& sources, const std::function<bool()>& cancelled);

// The score with the layers that are not heard silenced (their grains still
// placed, so the others sound as they do in the whole mix).
Score MonitoredScore(const Score& score, const std::vector<bool>& heard);

struct PieceMaking {
    std::unique_ptr<ScorePiece> m_pPiece;
    std::string m_strError;
};

// A piece of the checked score rendering frames [first, first + frames) of
// its track (frames 0: the whole track), on threads threads.
PieceMaking MakePiece(const CheckedScore& checked, const std::string& displayName, std::uint64_t first,
                      std::uint64_t frames, int threads);

std::uint64_t TrackFrames(const Score& score);

}  // namespace studio

// What the studio plays through: a render of a score from any place in the
// track, kept ahead of a consumer that pulls frames in real time (a sound
// device's callback). It can be told at any moment to jump elsewhere, to
// loop a stretch, or to take an edited score, which is then heard from a
// moment after the place being played. No window and no device here.
//
// Three kinds of thread meet here: the owner's (every call but Fill and the
// readings), the render's own workers, and the consumer, whose Fill never
// locks, allocates or waits.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/live/frame_feed.h"
#include "live_session/level_estimate.h"
#include "live_session/session_score.h"
#include "engine/score/score.h"

class FrameQueue;

namespace studio {

// What to play.
struct LiveScore {
    std::shared_ptr<const Score> m_pScore;
    std::uint32_t m_nSeed = 0;           // the render's seed (the score's own, or the document's)
    std::vector<bool> m_heard;           // per layer: false for a muted one; empty: all heard
    std::string m_strDisplayName;        // the score's name in messages ("night.toml")
    std::string m_strFolder;             // where its sources are named from
};

class LiveRender : public FrameFeed {
public:
    ~LiveRender() override = default;

    // The score to render; a later one replaces it, heard from a moment
    // after the consumer's place (a short cross-fade joins the two).
    virtual void SetScore(const LiveScore& score) = 0;
    // Renders from frame on, dropping what was rendered ahead: the consumer
    // hears frame next (after silence while the place is found).
    virtual void Start(std::uint64_t frame) = 0;
    // While nothing plays, renders ahead from frame, so that a Start there
    // is heard at once (a render that cannot does nothing).
    virtual void Cue(std::uint64_t frame) { (void)frame; }
    // Loops the stretch (none: plays on to the track's end).
    virtual void SetLoop(std::optional<FrameStretch> loop) = 0;

    // The track frame of the next frame the consumer will pull.
    virtual std::uint64_t GetConsumerFrame() const = 0;
    // Rendering toward the place asked for, nothing to hand out yet.
    virtual bool IsFindingPlace() const = 0;
    // The consumer found too little ready within the last second.
    virtual bool IsBehind() const = 0;
    // The frames the consumer found missing so far (played as silence).
    virtual std::uint64_t GetMissingFrames() const = 0;
    // The consumer has pulled the track's last frame (without a loop).
    virtual bool IsAtEnd() const = 0;
    virtual LevelEstimate GetLevel() const = 0;
    // Why nothing can be rendered (a refused score, a source that cannot be
    // read), in a sentence naming the score and its line where it has one.
    virtual std::optional<std::string> GetProblem() const = 0;

    // Every frame the consumer pulls (after the gain) is also pushed here,
    // as far as there is room: for meters and a spectrogram. Null: none.
    // Set it before the consumer runs.
    virtual void SetTap(FrameQueue* tap) = 0;
};

}  // namespace studio

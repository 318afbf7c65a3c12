// The studio's live render: the engine's live session, fed with the score as
// sonnelith-cli would read its file (checked, its sources loaded through the
// studio's cache on the session's own thread, its effects run by the LV2
// plugins sonnelith-cli runs), and surveyed for the level of the whole mix
// whatever is muted.
#pragma once

#include <memory>

#include "live_session/live_session.h"
#include "studio/listening/live_render.h"
#include "studio/listening/source_cache.h"

namespace studio {

// Makes a score's effect chains of the LV2 plugins installed, as
// sonnelith-cli does.
SoundChainMaker PluginChainMaker();

class SessionLiveRender final : public LiveRender {
public:
    // workers: the threads that render what is heard; makeChain: the maker
    // of the score's effect chains (none: the score is heard dry).
    explicit SessionLiveRender(std::shared_ptr<SourceCache> sources, int workers = 2,
                               SoundChainMaker makeChain = PluginChainMaker());

    void SetScore(const LiveScore& score) override;
    void Start(std::uint64_t frame) override { m_session.Start(frame); }
    void Cue(std::uint64_t frame) override { m_session.Cue(frame); }
    void SetLoop(std::optional<FrameStretch> loop) override { m_session.SetLoop(loop); }

    void Fill(StereoFrame* frames, std::size_t count) noexcept override { m_session.Fill(frames, count); }

    std::uint64_t GetConsumerFrame() const override { return m_session.GetConsumerFrame(); }
    bool IsFindingPlace() const override { return m_session.IsFindingPlace(); }
    bool IsBehind() const override { return m_session.IsBehind(); }
    std::uint64_t GetMissingFrames() const override { return m_session.GetMissingFrameCount(); }
    bool IsAtEnd() const override { return m_session.IsAtEnd(); }
    LevelEstimate GetLevel() const override { return m_session.GetLevel(); }
    std::optional<std::string> GetProblem() const override { return m_session.GetProblem(); }
    void SetTap(FrameQueue* tap) override { m_session.SetTap(tap); }

    LiveSession& GetSession() { return m_session; }

private:
    std::shared_ptr<SourceCache> m_pSources;
    SoundChainMaker m_makeChain;
    LiveSession m_session;
};

// The session's score of live: its heard layers and the whole mix, checked
// and loaded as CheckScore does.
// makeChain: the maker of its effect chains (none: heard dry).
SessionScoreLoad LoadSessionScore(const LiveScore& live, SourceCache& sources, const std::function<bool()>& cancelled,
                                  const SoundChainMaker& makeChain = {});

}  // namespace studio

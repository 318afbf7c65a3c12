#include "studio/listening/session_live_render.h"

#include <algorithm>

#include "effects/effect_chain.h"
#include "score_file/score_reading.h"
#include "studio/listening/playable_score.h"

namespace studio {

namespace {

LiveSessionOptions OptionsWith(int workers)
{
    LiveSessionOptions options;
    options.m_nWorkers = workers;
    return options;
}

}  // namespace

SoundChainMaker PluginChainMaker()
{
    return [](const EffectChainSetting& settings) { return std::make_unique<EffectChain>(settings); };
}

SessionLiveRender::SessionLiveRender(std::shared_ptr<SourceCache> sources, int workers, SoundChainMaker makeChain)
    : m_pSources(std::move(sources))
    , m_makeChain(std::move(makeChain))
    , m_session(OptionsWith(workers))
{
}

void SessionLiveRender::SetScore(const LiveScore& score)
{
    std::shared_ptr<SourceCache> sources = m_pSources;
    m_session.SetScore([score, sources, makeChain = m_makeChain](const std::function<bool()>& cancelled) {
        return LoadSessionScore(score, *sources, cancelled, makeChain);
    });
}

SessionScoreLoad LoadSessionScore(const LiveScore& live, SourceCache& sources, const std::function<bool()>& cancelled,
                                  const SoundChainMaker& makeChain)
{
    SessionScoreLoad load;
    const ScoreCheck heard = CheckScore(live, sources, cancelled);
    if (!heard.m_pChecked) {
        load.m_strError = heard.m_strError;
        return load;
    }
    const std::shared_ptr<const CheckedScore> checked = heard.m_pChecked;
    auto score = std::make_shared<SessionScore>();
    score->m_pScore = std::shared_ptr<const Score>(checked, &checked->m_score);
    score->m_nSeed = checked->m_nSeed;
    score->m_sources = checked->m_sources;
    score->m_pHeld = checked;
    score->m_makeChain = makeChain;
    const std::string name = live.m_strDisplayName;
    score->m_describe = [name](int line, const std::string& why) { return ScoreMessage(name, line, why); };
    // The level is the whole mix's, whatever is muted.
    const bool allHeard = std::find(live.m_heard.begin(), live.m_heard.end(), false) == live.m_heard.end();
    if (!allHeard) {
        LiveScore whole = live;
        whole.m_heard.clear();
        const ScoreCheck all = CheckScore(whole, sources, cancelled);
        if (all.m_pChecked) {
            score->m_pLevelScore = std::shared_ptr<const Score>(all.m_pChecked, &all.m_pChecked->m_score);
            // Its sources are the same files, loaded once by the cache.
        }
    }
    load.m_pScore = std::move(score);
    return load;
}

}  // namespace studio

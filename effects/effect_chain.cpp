#include "effects/effect_chain.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "effects/denormal_guard.h"
#include "effects/effect_block.h"
#include "effects/effect_failure.h"
#include "effects/stereo_effect.h"

namespace {

std::string SecondsText(std::uint64_t frame)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(frame) / kRunSampleRate);
    return text;
}

float FrameLevel(const StereoFrame& frame)
{
    return std::max(std::fabs(frame.left), std::fabs(frame.right));
}

}  // namespace

EffectChain::EffectChain(const EffectChainSetting& settings)
    : m_inLeft(kEffectBlockFrames), m_inRight(kEffectBlockFrames)
{
    for (std::size_t pair = 0; pair < 2; ++pair) {
        m_workLeft[pair].resize(kEffectBlockFrames);
        m_workRight[pair].resize(kEffectBlockFrames);
    }
    for (const EffectSetting& setting : settings)
        m_effects.push_back(std::make_unique<StereoEffect>(setting));
}

EffectChain::~EffectChain() = default;

void EffectChain::Feed(std::span<const StereoFrame> input, std::vector<StereoFrame>& out)
{
    if (m_bFinished)
        throw std::logic_error("EffectChain::Feed after Finish");
    for (const StereoFrame& frame : input) {
        m_inLeft[m_nGathered] = frame.left;
        m_inRight[m_nGathered] = frame.right;
        ++m_nFed;
        if (++m_nGathered == kEffectBlockFrames)
            RunBlock();
    }
    Emit(out, m_nFed);
}

ChainTail EffectChain::Finish(std::vector<StereoFrame>& out, const TailRule& rule)
{
    if (m_bFinished)
        throw std::logic_error("EffectChain::Finish twice");
    m_bFinished = true;
    // Silence after the sound: the rest of its block, then whole blocks.
    auto runSilence = [this] {
        std::fill(m_inLeft.begin() + m_nGathered, m_inLeft.end(), 0.0f);
        std::fill(m_inRight.begin() + m_nGathered, m_inRight.end(), 0.0f);
        m_nGathered = kEffectBlockFrames;
        RunBlock();
    };
    while (m_nEmitted + (m_ready.size() - m_nReadyAt) < m_nFed)
        runSilence();
    Emit(out, m_nFed);

    const float quiet = std::max(m_fPeak * static_cast<float>(std::pow(10.0, rule.m_dQuietDb / 20.0)), 1e-20f);
    const auto quietFrames = std::max<std::size_t>(1, static_cast<std::size_t>(rule.m_dQuietSeconds * kRunSampleRate));
    const auto longest = static_cast<std::size_t>(std::max(0.0, rule.m_dLongestSeconds) * kRunSampleRate);
    ChainTail tail;
    std::size_t loudEnd = 0;  // one past the last frame above the quiet level
    while (tail.m_frames.size() - loudEnd < quietFrames) {
        if (tail.m_frames.size() >= longest) {
            tail.m_bCut = true;
            break;
        }
        if (m_nReadyAt == m_ready.size())
            runSilence();
        const StereoFrame frame = m_ready[m_nReadyAt++];
        tail.m_frames.push_back(frame);
        if (FrameLevel(frame) > quiet)
            loudEnd = tail.m_frames.size();
    }
    tail.m_frames.resize(loudEnd);
    return tail;
}

std::size_t EffectChain::RunEffects()
{
    std::size_t from = 0;
    for (const auto& effect : m_effects) {
        effect->Process(m_workLeft[from].data(), m_workRight[from].data(), m_workLeft[1 - from].data(),
                        m_workRight[1 - from].data());
        from = 1 - from;
        CheckFinite(*effect, m_workLeft[from].data(), m_workRight[from].data());
    }
    return from;
}

void EffectChain::Preroll()
{
    for (std::uint32_t block = 0; block < kPrerollBlocks; ++block) {
        std::fill(m_workLeft[0].begin(), m_workLeft[0].end(), 0.0f);
        std::fill(m_workRight[0].begin(), m_workRight[0].end(), 0.0f);
        RunEffects();
    }
    m_bPrerolled = true;
}

void EffectChain::RunBlock()
{
    const DenormalGuard flushDenormals;
    if (!m_bPrerolled)
        Preroll();
    // The block goes from one work pair to the other through each effect.
    std::copy(m_inLeft.begin(), m_inLeft.end(), m_workLeft[0].begin());
    std::copy(m_inRight.begin(), m_inRight.end(), m_workRight[0].begin());
    const std::size_t from = RunEffects();
    if (m_nBlocksRun++ == 0) {
        for (const auto& effect : m_effects)
            m_nLatency += effect->GetLatencyFrames();
    }
    m_nGathered = 0;
    if (m_nReadyAt > 0 && m_nReadyAt >= m_ready.size() / 2) {
        m_ready.erase(m_ready.begin(), m_ready.begin() + static_cast<std::ptrdiff_t>(m_nReadyAt));
        m_nReadyAt = 0;
    }
    for (std::uint32_t i = 0; i < kEffectBlockFrames; ++i) {
        if (m_nProduced++ >= m_nLatency)
            m_ready.push_back({m_workLeft[from][i], m_workRight[from][i]});
    }
}

void EffectChain::CheckFinite(const StereoEffect& effect, const float* left, const float* right) const
{
    for (std::uint32_t i = 0; i < kEffectBlockFrames; ++i) {
        if (std::isfinite(left[i]) && std::isfinite(right[i]))
            continue;
        const float bad = std::isfinite(left[i]) ? right[i] : left[i];
        const std::string where = m_bPrerolled ? "at " + SecondsText(m_nBlocksRun * kEffectBlockFrames + i) +
                                                     " of its sound"
                                               : std::string("in the silence before its sound");
        throw EffectFailure("the effect plugin " + effect.GetDisplayName() + " gave " +
                            (std::isnan(bad) ? "a value that is not a number " : "an infinite value ") + where +
                            "; its output is refused and nothing is written");
    }
}

void EffectChain::Emit(std::vector<StereoFrame>& out, std::uint64_t upTo)
{
    while (m_nEmitted < upTo && m_nReadyAt < m_ready.size()) {
        const StereoFrame frame = m_ready[m_nReadyAt++];
        m_fPeak = std::max(m_fPeak, FrameLevel(frame));
        out.push_back(frame);
        ++m_nEmitted;
    }
}

ChainOutput RunEffectChain(EffectChain& chain, std::span<const StereoFrame> sound, const TailRule& rule)
{
    ChainOutput output;
    output.m_sound.reserve(sound.size());
    chain.Feed(sound, output.m_sound);
    output.m_tail = chain.Finish(output.m_sound, rule);
    return output;
}

void WrapTailOntoStart(std::span<StereoFrame> loop, std::span<const StereoFrame> tail)
{
    if (loop.empty())
        return;
    for (std::size_t i = 0; i < tail.size(); ++i) {
        StereoFrame& frame = loop[i % loop.size()];
        frame.left += tail[i].left;
        frame.right += tail[i].right;
    }
}

// Effects in a row on a stereo sound: each LV2 plugin of a chain setting in
// turn, block by block, on the thread that feeds the chain (one thread per
// chain). The chain's output is in step with its input: the latency its
// plugins report is taken off. After the sound ends, the chain goes on over
// silence for the tail (a reverb's decay, a delay's echoes), which is handed
// to the caller apart.
//
// The plugins always run whole blocks of kEffectBlockFrames counted from the
// sound's first frame, however the sound is fed, so a deterministic plugin
// gives the same bits on any thread, in any pieces, run after run.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/score/effect_setting.h"
#include "engine/base/stereo_frame.h"
#include "engine/synthesis/sound_chain.h"

class StereoEffect;

// Where the tail after the sound ends.
struct TailRule {
    // It ends once the sound has stayed this many dB below the peak of the
    // chain's output...
    double m_dQuietDb = -90.0;
    // ...for this long (so that a delay's silence between echoes does not end it)...
    double m_dQuietSeconds = 2.0;
    // ...and is cut here, decayed or not.
    double m_dLongestSeconds = 60.0;
};

struct ChainTail {
    // From the frame after the sound's last, to its last frame above the
    // quiet level.
    std::vector<StereoFrame> m_frames;
    bool m_bCut = false;  // it had not decayed by the longest tail
};

class EffectChain final : public SoundChain {
public:
    // Every effect of settings, in order, instantiated and ready. Raises
    // EffectFailure for the first that cannot be (not installed, not usable
    // here, a control unknown or out of its range).
    explicit EffectChain(const EffectChainSetting& settings);
    ~EffectChain() override;

    EffectChain(const EffectChain&) = delete;
    EffectChain& operator=(const EffectChain&) = delete;

    // Feeds the next frames of the sound, and appends to out the output that
    // is ready: frame for frame in step with the input (out never holds more
    // frames than were fed). Raises EffectFailure, naming the plugin, when one
    // gives a value that is not a finite number.
    void Feed(std::span<const StereoFrame> input, std::vector<StereoFrame>& out) override;
    // The sound has ended: appends the rest of its output to out (which then
    // holds as many frames as were fed in all) and answers the tail.
    ChainTail Finish(std::vector<StereoFrame>& out, const TailRule& rule = {});

    // The latency taken off, in frames: the sum of what the plugins report
    // after their first block (0 before it).
    std::uint64_t GetLatencyFrames() const { return m_nLatency; }
    std::size_t GetEffectCount() const { return m_effects.size(); }
    // Frames fed so far, and output frames handed out: a caller that needs
    // the output of a stretch in full feeds on until the second reaches it.
    std::uint64_t GetFramesFed() const { return m_nFed; }
    std::uint64_t GetFramesOut() const { return m_nEmitted; }

private:
    // Silence first, its output dropped: plugins that glide their controls
    // from where they start to where they are set have arrived before the
    // sound begins, so its first block is treated as any later one.
    static constexpr std::uint32_t kPrerollBlocks = 8;

    void Preroll();
    // The block in the first work pair through every effect; answers which
    // pair holds the result.
    std::size_t RunEffects();
    void RunBlock();
    void CheckFinite(const StereoEffect& effect, const float* left, const float* right) const;
    void Emit(std::vector<StereoFrame>& out, std::uint64_t upTo);

    std::vector<std::unique_ptr<StereoEffect>> m_effects;
    // Planar blocks: the input being gathered, and two pairs an effect reads
    // from and writes to in turn.
    std::vector<float> m_inLeft, m_inRight;
    std::vector<float> m_workLeft[2], m_workRight[2];
    std::uint32_t m_nGathered = 0;    // frames of the input block so far
    std::uint64_t m_nFed = 0;         // frames fed in all
    bool m_bPrerolled = false;
    bool m_bFinished = false;  // Feed and Finish after Finish are refused (std::logic_error)
    std::uint64_t m_nBlocksRun = 0;
    std::uint64_t m_nLatency = 0;
    std::uint64_t m_nEmitted = 0;     // output frames handed out, latency skipped
    std::uint64_t m_nProduced = 0;    // output frames the plugins made
    std::vector<StereoFrame> m_ready; // made, not handed out yet
    std::size_t m_nReadyAt = 0;
    float m_fPeak = 0.0f;             // of the output handed out
};

// The whole sound through chain: its output, as long as the sound, and the tail.
struct ChainOutput {
    std::vector<StereoFrame> m_sound;
    ChainTail m_tail;
};
ChainOutput RunEffectChain(EffectChain& chain, std::span<const StereoFrame> sound, const TailRule& rule = {});

// Lays a loop's tail onto its start, wrapping round the loop as often as the
// tail is longer: the loop's start then holds what the end rings into it, as
// when the loop plays on.
void WrapTailOntoStart(std::span<StereoFrame> loop, std::span<const StereoFrame> tail);

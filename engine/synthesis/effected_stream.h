// A sound through an effect chain, taken in order window by window: the dry
// sound is made ahead in pieces of its own, as far as the chain's latency
// asks, and the chain's output, in step with the dry sound, is handed out.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "engine/synthesis/sound_chain.h"
#include "engine/base/stereo_frame.h"

class EffectedStream {
public:
    // Frames [first, first + piece.size()) of the dry sound into piece,
    // which holds zeros. Asked in order, without gaps.
    using DrySound = std::function<void(std::span<StereoFrame> piece, std::uint64_t first)>;

    // The dry sound is made in pieces of this many frames (whole blocks of
    // any chain), however long the windows asked are.
    static constexpr std::size_t kPieceFrames = 4096;

    EffectedStream(SoundChainMaker make, EffectChainSetting settings, DrySound dry);

    // Starts again at frame first of the dry sound with a fresh chain, so
    // that every start from one frame gives the same output; the dry sound
    // is silence from frame end on (it is not asked for there).
    void Begin(std::uint64_t first, std::uint64_t end);
    // The output of frames [first, first + window.size()) into window,
    // added to what it holds or in place of it. Windows come in order from
    // Begin's first frame, without gaps.
    void Render(std::span<StereoFrame> window, std::uint64_t first, bool add);
    // Releases the chain and the buffers.
    void End();

private:
    void MakeMore();

    SoundChainMaker m_make;
    EffectChainSetting m_settings;
    DrySound m_dry;
    std::unique_ptr<SoundChain> m_pChain;
    std::vector<StereoFrame> m_piece;  // the dry piece being fed
    std::vector<StereoFrame> m_out;    // output made and not handed out yet, from m_nOutAt
    std::size_t m_nOutAt = 0;
    std::uint64_t m_nNext = 0;      // the frame the next window starts at
    std::uint64_t m_nDryNext = 0;   // the next dry frame to make
    std::uint64_t m_nDryEnd = 0;
};

#include "engine/synthesis/effected_stream.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

EffectedStream::EffectedStream(SoundChainMaker make, EffectChainSetting settings, DrySound dry)
    : m_make(std::move(make))
    , m_settings(std::move(settings))
    , m_dry(std::move(dry))
{
}

void EffectedStream::Begin(std::uint64_t first, std::uint64_t end)
{
    m_pChain = m_make(m_settings);
    m_piece.assign(kPieceFrames, StereoFrame{0.0f, 0.0f});
    m_out.clear();
    m_nOutAt = 0;
    m_nNext = first;
    m_nDryNext = first;
    m_nDryEnd = end;
}

// One more dry piece through the chain: the sound up to its end, silence
// after it.
void EffectedStream::MakeMore()
{
    std::fill(m_piece.begin(), m_piece.end(), StereoFrame{0.0f, 0.0f});
    if (m_nDryNext < m_nDryEnd) {
        const std::uint64_t count = std::min<std::uint64_t>(kPieceFrames, m_nDryEnd - m_nDryNext);
        m_dry(std::span<StereoFrame>(m_piece).first(count), m_nDryNext);
    }
    m_nDryNext += kPieceFrames;
    if (m_nOutAt > 0 && m_nOutAt >= m_out.size() / 2) {
        m_out.erase(m_out.begin(), m_out.begin() + static_cast<std::ptrdiff_t>(m_nOutAt));
        m_nOutAt = 0;
    }
    m_pChain->Feed(m_piece, m_out);
}

void EffectedStream::Render(std::span<StereoFrame> window, std::uint64_t first, bool add)
{
    if (!m_pChain || first != m_nNext)
        throw std::logic_error("EffectedStream::Render out of order");
    while (m_out.size() - m_nOutAt < window.size())
        MakeMore();
    const StereoFrame* out = m_out.data() + m_nOutAt;
    if (add) {
        for (std::size_t i = 0; i < window.size(); ++i) {
            window[i].left += out[i].left;
            window[i].right += out[i].right;
        }
    } else {
        std::copy_n(out, window.size(), window.begin());
    }
    m_nOutAt += window.size();
    m_nNext += window.size();
}

void EffectedStream::End()
{
    m_pChain.reset();
    m_out = {};
    m_piece = {};
}

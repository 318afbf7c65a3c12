#include "analysis/short_term_loudness.h"

#include <algorithm>
#include <cmath>
#include <ebur128.h>
#include <limits>

namespace {

// Frames converted to libebur128's interleaved floats at a time, on the stack.
constexpr std::size_t kBlockFrames = 512;

}  // namespace

struct ShortTermLoudness::State {
    State()
        : m_pState(ebur128_init(2, kRunSampleRate, EBUR128_MODE_S))
    {
    }
    ~State()
    {
        if (m_pState != nullptr)
            ebur128_destroy(&m_pState);
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    ebur128_state* m_pState;
};

ShortTermLoudness::ShortTermLoudness()
    : m_pState(std::make_unique<State>())
{
}

ShortTermLoudness::~ShortTermLoudness() = default;

void ShortTermLoudness::OnStretch(const StereoFrame* frames, std::size_t count)
{
    float interleaved[2 * kBlockFrames];
    while (count > 0) {
        const std::size_t taken = std::min(count, kBlockFrames);
        for (std::size_t j = 0; j < taken; ++j) {
            interleaved[2 * j] = frames[j].left;
            interleaved[2 * j + 1] = frames[j].right;
        }
        Add(interleaved, taken);
        frames += taken;
        count -= taken;
    }
}

void ShortTermLoudness::Reset()
{
    // libebur128 has no reset of its own, and silence fed in would leave the
    // weighting filters' ringing from the old sound in the window.
    m_pState = std::make_unique<State>();
}

double ShortTermLoudness::GetLoudness() const
{
    double loudness = std::numeric_limits<double>::quiet_NaN();
    if (m_pState->m_pState == nullptr ||
        ebur128_loudness_shortterm(m_pState->m_pState, &loudness) != EBUR128_SUCCESS)
        return std::numeric_limits<double>::quiet_NaN();
    return loudness;
}

void ShortTermLoudness::Add(const float* interleaved, std::size_t frames)
{
    if (m_pState->m_pState != nullptr)
        ebur128_add_frames_float(m_pState->m_pState, interleaved, frames);
}

#include "measurement/loudness_meter.h"

#include <algorithm>
#include <ebur128.h>

namespace {

constexpr std::size_t kBlockFrames = 65536;

}  // namespace

struct LoudnessMeter::State {
    explicit State(int rate)
        : m_pState(ebur128_init(2, static_cast<unsigned long>(rate), EBUR128_MODE_I))
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

LoudnessMeter::LoudnessMeter(int rate)
    : m_pState(std::make_unique<State>(rate))
    , m_bFailed(m_pState->m_pState == nullptr)
{
}

LoudnessMeter::~LoudnessMeter() = default;

void LoudnessMeter::Add(std::span<const StereoFrame> frames)
{
    while (!frames.empty() && !m_bFailed) {
        const std::size_t count = std::min(frames.size(), kBlockFrames);
        m_interleaved.resize(2 * count);
        for (std::size_t i = 0; i < count; ++i) {
            m_interleaved[2 * i] = frames[i].left;
            m_interleaved[2 * i + 1] = frames[i].right;
        }
        if (ebur128_add_frames_float(m_pState->m_pState, m_interleaved.data(), count) != EBUR128_SUCCESS)
            m_bFailed = true;
        frames = frames.subspan(count);
    }
}

std::optional<double> LoudnessMeter::Integrated() const
{
    double loudness = 0.0;
    if (m_bFailed || ebur128_loudness_global(m_pState->m_pState, &loudness) != EBUR128_SUCCESS)
        return std::nullopt;
    return loudness;
}

std::optional<double> MeasureIntegratedLoudness(std::span<const StereoFrame> frames, int rate)
{
    LoudnessMeter meter(rate);
    meter.Add(frames);
    return meter.Integrated();
}

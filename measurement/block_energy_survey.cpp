#include "measurement/block_energy_survey.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <ebur128.h>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "engine/finishing/evening/gain_curve.h"
#include "engine/finishing/evening/loudness_series.h"

namespace {

constexpr std::size_t kBlockFrames = CurvePlacement::kPointFrames;
constexpr unsigned long kBlockMilliseconds = 100;
static_assert(kBlockFrames * 1000 == kRunSampleRate * kBlockMilliseconds);

float Finite(float sample)
{
    return std::isfinite(sample) ? sample : 0.0f;
}

// libebur128 gives the energy as a loudness; this undoes its log (minus
// infinity: silence). Energies beyond a float's range (samples near 10^19)
// are kept at its largest value.
float EnergyOfLoudness(double loudness)
{
    if (!(loudness > -std::numeric_limits<double>::infinity()))
        return 0.0f;
    return static_cast<float>(std::min(std::pow(10.0, (loudness - kLoudnessOffsetLu) / 10.0), double{FLT_MAX}));
}

}  // namespace

struct BlockEnergySurvey::State {
    // Momentary mode keeps only the last 400 ms of filtered sound: nothing
    // grows with the sound's length inside the library.
    State()
        : m_pState(ebur128_init(2, kRunSampleRate, EBUR128_MODE_M))
    {
        if (m_pState == nullptr)
            throw std::bad_alloc();
    }
    ~State() { ebur128_destroy(&m_pState); }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    ebur128_state* m_pState;
};

BlockEnergySurvey::BlockEnergySurvey()
    : m_pState(std::make_unique<State>())
    , m_block(2 * kBlockFrames)
{
}

BlockEnergySurvey::~BlockEnergySurvey() = default;

void BlockEnergySurvey::Add(std::span<const StereoFrame> piece, std::uint64_t first)
{
    if (piece.empty())
        return;
    Follow(first, piece.size());
    Gather(piece);
}

void BlockEnergySurvey::Follow(std::uint64_t first, std::uint64_t count)
{
    if (!m_bStarted) {
        m_bStarted = true;
        m_nOrigin = first;
    } else if (first != m_nNext) {
        // Only a loop's head may break the order, once: from frame 0, after a
        // body that began later.
        if (first != 0 || m_bWrapped || m_nOrigin == 0)
            throw std::logic_error("level evening: frames " + std::to_string(first) + " on were surveyed where frame " +
                                   std::to_string(m_nNext) + " was due");
        m_bWrapped = true;
        m_nWrapEnd = m_nNext;
    }
    m_nNext = first + count;
    if (m_bWrapped && m_nNext > m_nOrigin)
        throw std::logic_error("level evening: a loop's head was surveyed past the frame its body began at");
}

void BlockEnergySurvey::Gather(std::span<const StereoFrame> frames)
{
    while (!frames.empty()) {
        const std::size_t take = std::min(frames.size(), kBlockFrames - m_nGathered);
        float* out = m_block.data() + 2 * m_nGathered;
        for (std::size_t i = 0; i < take; ++i) {
            out[2 * i] = Finite(frames[i].left);
            out[2 * i + 1] = Finite(frames[i].right);
        }
        m_nGathered += take;
        frames = frames.subspan(take);
        if (m_nGathered == kBlockFrames)
            MeasureBlock();
    }
}

void BlockEnergySurvey::MeasureBlock()
{
    double loudness = 0.0;
    if (ebur128_add_frames_float(m_pState->m_pState, m_block.data(), kBlockFrames) != EBUR128_SUCCESS ||
        ebur128_loudness_window(m_pState->m_pState, kBlockMilliseconds, &loudness) != EBUR128_SUCCESS)
        throw std::runtime_error("level evening: libebur128 could not measure a block of the sound");
    m_energies.push_back(EnergyOfLoudness(loudness));
    m_nGathered = 0;
}

bool BlockEnergySurvey::Covers(std::uint64_t frames, bool loop) const
{
    if (!m_bStarted)
        return frames == 0;
    if (m_bWrapped)
        return loop && m_nWrapEnd == frames && m_nNext == m_nOrigin;
    return m_nOrigin == 0 && m_nNext == frames;
}

std::vector<float> BlockEnergySurvey::TakeEnergies()
{
    return std::move(m_energies);
}

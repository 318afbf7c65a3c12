#include "formats/loudness_meter.h"

#include <ebur128.h>
#include <memory>
#include <vector>

namespace {

constexpr std::size_t kBlockFrames = 65536;

struct StateDeleter {
    void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
};

}  // namespace

std::optional<double> MeasureIntegratedLoudness(std::span<const StereoFrame> frames, int rate)
{
    const auto rateHz = static_cast<unsigned long>(rate);
    std::unique_ptr<ebur128_state, StateDeleter> state(ebur128_init(2, rateHz, EBUR128_MODE_I));
    if (!state)
        return std::nullopt;
    std::vector<float> interleaved;
    while (!frames.empty()) {
        const std::size_t count = std::min(frames.size(), kBlockFrames);
        interleaved.resize(2 * count);
        for (std::size_t i = 0; i < count; ++i) {
            interleaved[2 * i] = frames[i].left;
            interleaved[2 * i + 1] = frames[i].right;
        }
        if (ebur128_add_frames_float(state.get(), interleaved.data(), count) != EBUR128_SUCCESS)
            return std::nullopt;
        frames = frames.subspan(count);
    }
    double loudness = 0.0;
    if (ebur128_loudness_global(state.get(), &loudness) != EBUR128_SUCCESS)
        return std::nullopt;
    return loudness;
}

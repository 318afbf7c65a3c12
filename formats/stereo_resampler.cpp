#include "formats/stereo_resampler.h"

#include <soxr.h>

namespace {

// Frames libsoxr is handed, or asked for, at a time.
constexpr std::size_t kBlockFrames = 8192;

}  // namespace

void StereoResampler::Deleter::operator()(soxr* resampler) const
{
    soxr_delete(resampler);
}

StereoResampler::StereoResampler(double fromRate, double toRate)
    : m_dRatio(toRate / fromRate)
{
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    soxr_error_t error = nullptr;
    m_pSoxr.reset(soxr_create(fromRate, toRate, 2, &error, &io, &quality, nullptr));
    if (error != nullptr)
        m_pSoxr.reset();
    m_converted.resize(2 * kBlockFrames);
}

StereoResampler::~StereoResampler() = default;

void StereoResampler::Push(std::span<const StereoFrame> input, std::vector<StereoFrame>& output)
{
    while (!input.empty()) {
        const std::size_t frames = std::min(input.size(), kBlockFrames);
        m_interleaved.resize(2 * frames);
        for (std::size_t i = 0; i < frames; ++i) {
            m_interleaved[2 * i] = input[i].left;
            m_interleaved[2 * i + 1] = input[i].right;
        }
        Process(m_interleaved.data(), frames, output);
        input = input.subspan(frames);
    }
}

void StereoResampler::Drain(std::vector<StereoFrame>& output)
{
    Process(nullptr, 0, output);
}

// Hands libsoxr the frames (none: the end of the input) and collects its output
// until it has taken all of them, or, at the end, until it has nothing left.
void StereoResampler::Process(const float* input, std::size_t frames, std::vector<StereoFrame>& output)
{
    if (!m_pSoxr)
        return;
    output.reserve(output.size() + static_cast<std::size_t>(frames * m_dRatio) + 2);
    std::size_t taken = 0;
    for (;;) {
        std::size_t used = 0;
        std::size_t made = 0;
        const float* next = input != nullptr ? input + 2 * taken : nullptr;
        if (soxr_process(m_pSoxr.get(), next, frames - taken, &used, m_converted.data(), kBlockFrames, &made) !=
            nullptr)
            return;
        for (std::size_t i = 0; i < made; ++i)
            output.push_back({m_converted[2 * i], m_converted[2 * i + 1]});
        taken += used;
        const bool inputDone = input != nullptr ? taken == frames : made == 0;
        if (inputDone && made < kBlockFrames)
            return;
    }
}

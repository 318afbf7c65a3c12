#include "formats/dithering_sink.h"

#include <algorithm>
#include <cmath>

#include "formats/sample_conversion.h"

namespace {

// The difference of two uniform draws in [0, 1), from the two halves of one
// 64-bit draw: triangular over (-1, 1).
double TriangularNoise(std::uint64_t draw)
{
    constexpr double kUnit = 1.0 / 4294967296.0;
    const double first = static_cast<double>(draw >> 32) * kUnit;
    const double second = static_cast<double>(draw & 0xFFFFFFFFu) * kUnit;
    return first - second;
}

}  // namespace

float DitheredSample(float value, double noise)
{
    if (value == 0.0f || !std::isfinite(value))
        return value;
    const double step =
        std::clamp(std::round(static_cast<double>(value) * kPcm16FullScale + noise), -kPcm16FullScale - 1.0,
                   kPcm16FullScale);
    if (step == 0.0)
        return 0.0f;
    return static_cast<float>((step + (step > 0.0 ? 0.5 : -0.5)) / kPcm16FullScale);
}

DitheringSink::DitheringSink(std::unique_ptr<FrameSink> writer, std::uint32_t seed)
    : m_pWriter(std::move(writer)), m_noise(seed, StreamPurpose::Dither)
{
}

std::optional<RunMessage> DitheringSink::Create(const std::string& path)
{
    return m_pWriter->Create(path);
}

// Sample c of frame j takes draw 2j + c.
void DitheringSink::Write(const StereoFrame* frames, std::size_t count)
{
    m_dithered.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t draw = 2 * (m_nFramesDone + i);
        m_dithered[i].left = DitheredSample(frames[i].left, TriangularNoise(m_noise.At(draw)));
        m_dithered[i].right = DitheredSample(frames[i].right, TriangularNoise(m_noise.At(draw + 1)));
    }
    m_pWriter->Write(m_dithered.data(), count);
    m_nFramesDone += count;
}

void DitheringSink::Finish(bool cancelled)
{
    m_pWriter->Finish(cancelled);
}

void DitheringSink::Discard()
{
    m_pWriter->Discard();
}

std::uint64_t DitheringSink::GetBytesWritten() const
{
    return m_pWriter->GetBytesWritten();
}

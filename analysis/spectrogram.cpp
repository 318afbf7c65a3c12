#include "analysis/spectrogram.h"

#include <algorithm>
#include <cmath>
#include <kiss_fftr.h>
#include <numbers>

namespace {

SpectrogramSettings Sanitised(SpectrogramSettings settings)
{
    settings.m_nWindowFrames = std::max<std::size_t>(settings.m_nWindowFrames + settings.m_nWindowFrames % 2, 16);
    settings.m_nHopFrames = std::max<std::size_t>(settings.m_nHopFrames, 1);
    settings.m_nRows = std::max<std::size_t>(settings.m_nRows, 1);
    settings.m_nColumnsKept = std::max<std::size_t>(settings.m_nColumnsKept, 1);
    return settings;
}

// The periodic Hann window, the usual one for spectra: its copies a half
// window apart sum to a constant.
std::vector<float> HannWindow(std::size_t length)
{
    std::vector<float> window(length);
    for (std::size_t n = 0; n < length; ++n)
        window[n] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(n) /
                                                               static_cast<double>(length)));
    return window;
}

}  // namespace

struct Spectrogram::Transform {
    explicit Transform(std::size_t length)
        : m_plan(kiss_fftr_alloc(static_cast<int>(length), 0, nullptr, nullptr))
        , m_window(HannWindow(length))
        , m_left(length)
        , m_right(length)
        , m_leftBins(length / 2 + 1)
        , m_rightBins(length / 2 + 1)
        , m_binPowers(length / 2 + 1)
    {
        // A sine of amplitude 1 at a bin's centre gives that bin the magnitude
        // of half the window's sum.
        double sum = 0.0;
        for (const float weight : m_window)
            sum += weight;
        m_fPowerScale = static_cast<float>(1.0 / ((sum / 2.0) * (sum / 2.0)));
    }
    ~Transform() { kiss_fftr_free(m_plan); }
    Transform(const Transform&) = delete;
    Transform& operator=(const Transform&) = delete;

    kiss_fftr_cfg m_plan;
    std::vector<float> m_window;
    std::vector<float> m_left;
    std::vector<float> m_right;
    std::vector<kiss_fft_cpx> m_leftBins;
    std::vector<kiss_fft_cpx> m_rightBins;
    std::vector<float> m_binPowers;
    float m_fPowerScale = 1.0f;
};

Spectrogram::Spectrogram(const SpectrogramSettings& settings)
    : m_settings(Sanitised(settings))
    , m_axis(m_settings.m_nRows, m_settings.m_dLowestHz, m_settings.m_dHighestHz,
             static_cast<double>(kRunSampleRate) / static_cast<double>(m_settings.m_nWindowFrames),
             m_settings.m_nWindowFrames / 2 + 1)
    , m_pTransform(std::make_unique<Transform>(m_settings.m_nWindowFrames))
    , m_recent(m_settings.m_nWindowFrames)
    , m_nNextColumnAt(m_settings.m_nWindowFrames)
    , m_rowPowers(m_settings.m_nRows)
    , m_columns(m_settings.m_nRows * m_settings.m_nColumnsKept)
{
}

Spectrogram::~Spectrogram() = default;

void Spectrogram::Reset()
{
    m_nFramesSeen = 0;
    m_nNextColumnAt = m_settings.m_nWindowFrames;
    m_nColumns = 0;
}

void Spectrogram::OnStretch(const StereoFrame* frames, std::size_t count)
{
    const std::size_t length = m_recent.size();
    while (count > 0) {
        // Up to the next column, and never past the ring's end.
        const auto place = static_cast<std::size_t>(m_nFramesSeen % length);
        const std::size_t taken = std::min({count, length - place,
                                            static_cast<std::size_t>(m_nNextColumnAt - m_nFramesSeen)});
        std::copy(frames, frames + taken, m_recent.begin() + static_cast<std::ptrdiff_t>(place));
        frames += taken;
        count -= taken;
        m_nFramesSeen += taken;
        if (m_nFramesSeen == m_nNextColumnAt) {
            MakeColumn();
            m_nNextColumnAt += m_settings.m_nHopFrames;
        }
    }
}

std::span<const float> Spectrogram::GetColumn(std::uint64_t index) const
{
    if (index >= m_nColumns || m_nColumns - index > m_settings.m_nColumnsKept)
        return {};
    const std::size_t slot = static_cast<std::size_t>(index % m_settings.m_nColumnsKept);
    return {m_columns.data() + slot * m_settings.m_nRows, m_settings.m_nRows};
}

void Spectrogram::MakeColumn()
{
    Transform& transform = *m_pTransform;
    const std::size_t length = m_recent.size();
    // The oldest frame of the window sits where the next one will be written.
    const auto oldest = static_cast<std::size_t>(m_nFramesSeen % length);
    for (std::size_t n = 0; n < length; ++n) {
        const std::size_t place = oldest + n < length ? oldest + n : oldest + n - length;
        transform.m_left[n] = m_recent[place].left * transform.m_window[n];
        transform.m_right[n] = m_recent[place].right * transform.m_window[n];
    }
    kiss_fftr(transform.m_plan, transform.m_left.data(), transform.m_leftBins.data());
    kiss_fftr(transform.m_plan, transform.m_right.data(), transform.m_rightBins.data());
    const float scale = 0.5f * transform.m_fPowerScale;
    for (std::size_t k = 0; k < transform.m_binPowers.size(); ++k) {
        const kiss_fft_cpx left = transform.m_leftBins[k];
        const kiss_fft_cpx right = transform.m_rightBins[k];
        transform.m_binPowers[k] = scale * (left.r * left.r + left.i * left.i + right.r * right.r + right.i * right.i);
    }
    m_axis.Map(transform.m_binPowers.data(), m_rowPowers.data());

    const float floorPower = std::pow(10.0f, m_settings.m_fFloorDb / 10.0f);
    const std::size_t slot = static_cast<std::size_t>(m_nColumns % m_settings.m_nColumnsKept);
    float* column = m_columns.data() + slot * m_settings.m_nRows;
    for (std::size_t row = 0; row < m_settings.m_nRows; ++row)
        column[row] = 10.0f * std::log10(std::max(m_rowPowers[row], floorPower));
    ++m_nColumns;
}

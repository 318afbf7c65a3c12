#include "tests/support/signal_alignment.h"

#include <algorithm>
#include <cmath>
#include <kiss_fftr.h>
#include <memory>

namespace {

struct FftPlanDeleter {
    void operator()(kiss_fftr_state* plan) const { kiss_fftr_free(plan); }
};
using FftPlan = std::unique_ptr<kiss_fftr_state, FftPlanDeleter>;

std::vector<float> ChannelSum(const std::vector<StereoFrame>& frames, std::size_t length)
{
    std::vector<float> sum(length, 0.0f);
    for (std::size_t j = 0; j < frames.size(); ++j)
        sum[j] = frames[j].left + frames[j].right;
    return sum;
}

// The lag at which recording[j + lag] best matches signal[j], from the peak of
// their circular cross-correlation, over a transform long enough that no lag
// between −signal and +recording wraps onto another.
long BestLag(const std::vector<StereoFrame>& signal, const std::vector<StereoFrame>& recording)
{
    const auto length = static_cast<std::size_t>(
        kiss_fftr_next_fast_size_real(static_cast<int>(signal.size() + recording.size())));
    const FftPlan forward(kiss_fftr_alloc(static_cast<int>(length), 0, nullptr, nullptr));
    const FftPlan inverse(kiss_fftr_alloc(static_cast<int>(length), 1, nullptr, nullptr));
    const std::vector<float> a = ChannelSum(recording, length);
    const std::vector<float> b = ChannelSum(signal, length);
    std::vector<kiss_fft_cpx> spectrumA(length / 2 + 1);
    std::vector<kiss_fft_cpx> spectrumB(length / 2 + 1);
    kiss_fftr(forward.get(), a.data(), spectrumA.data());
    kiss_fftr(forward.get(), b.data(), spectrumB.data());
    // A times the conjugate of B: the transform of their cross-correlation.
    for (std::size_t k = 0; k < spectrumA.size(); ++k) {
        const kiss_fft_cpx x = spectrumA[k];
        const kiss_fft_cpx y = spectrumB[k];
        spectrumA[k] = {x.r * y.r + x.i * y.i, x.i * y.r - x.r * y.i};
    }
    std::vector<float> correlation(length);
    kiss_fftri(inverse.get(), spectrumA.data(), correlation.data());
    const auto peak = static_cast<std::size_t>(std::max_element(correlation.begin(), correlation.end(),
                                                                [](float x, float y) { return std::fabs(x) < std::fabs(y); }) -
                                               correlation.begin());
    // Places past the recording's end stand for negative lags.
    return peak < recording.size() ? static_cast<long>(peak) : static_cast<long>(peak) - static_cast<long>(length);
}

}  // namespace

SignalAlignment AlignSignal(const std::vector<StereoFrame>& signal, const std::vector<StereoFrame>& recording)
{
    SignalAlignment alignment;
    if (signal.empty() || recording.empty())
        return alignment;
    alignment.m_nOffset = BestLag(signal, recording);
    const long first = std::max(0L, -alignment.m_nOffset);
    const long end = std::min(static_cast<long>(signal.size()),
                              static_cast<long>(recording.size()) - alignment.m_nOffset);
    if (end <= first)
        return alignment;
    alignment.m_nOverlap = static_cast<std::size_t>(end - first);
    double products[2] = {0.0, 0.0};
    double signalPower[2] = {0.0, 0.0};
    double recordedPower[2] = {0.0, 0.0};
    for (long j = first; j < end; ++j) {
        const StereoFrame& s = signal[static_cast<std::size_t>(j)];
        const StereoFrame& r = recording[static_cast<std::size_t>(j + alignment.m_nOffset)];
        products[0] += static_cast<double>(s.left) * r.left;
        products[1] += static_cast<double>(s.right) * r.right;
        signalPower[0] += static_cast<double>(s.left) * s.left;
        signalPower[1] += static_cast<double>(s.right) * s.right;
        recordedPower[0] += static_cast<double>(r.left) * r.left;
        recordedPower[1] += static_cast<double>(r.right) * r.right;
    }
    const auto correlation = [](double product, double x, double y) {
        return x > 0.0 && y > 0.0 ? product / std::sqrt(x * y) : 0.0;
    };
    alignment.m_dCorrelationLeft = correlation(products[0], signalPower[0], recordedPower[0]);
    alignment.m_dCorrelationRight = correlation(products[1], signalPower[1], recordedPower[1]);
    const double signalTotal = signalPower[0] + signalPower[1];
    const double recordedTotal = recordedPower[0] + recordedPower[1];
    alignment.m_dLevelDb = signalTotal > 0.0 && recordedTotal > 0.0 ? 10.0 * std::log10(recordedTotal / signalTotal)
                                                                    : -HUGE_VAL;
    return alignment;
}

// Converts stereo float frames from one sample rate to another with libsoxr at
// its very high quality: a pass band flat to within 0.01 dB up to 91 % of the
// lower rate's Nyquist frequency, and everything that would alias attenuated by
// at least 170 dB. The filter's delay is taken out, so the converted sound
// starts where the original starts.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "engine/base/stereo_frame.h"

struct soxr;

class StereoResampler {
public:
    StereoResampler(double fromRate, double toRate);
    ~StereoResampler();
    StereoResampler(const StereoResampler&) = delete;
    StereoResampler& operator=(const StereoResampler&) = delete;

    // Whether libsoxr could set the converter up (it always can for rates from
    // 1 Hz to a few MHz; a refusal means it is out of memory).
    bool IsReady() const { return m_pSoxr != nullptr; }

    // Converts the next frames and appends what is ready to output. The result
    // does not depend on how the input is cut into pieces.
    void Push(std::span<const StereoFrame> input, std::vector<StereoFrame>& output);
    // Appends the frames still held back by the filter, after the last input.
    void Drain(std::vector<StereoFrame>& output);

private:
    void Process(const float* input, std::size_t frames, std::vector<StereoFrame>& output);

    struct Deleter {
        void operator()(soxr* resampler) const;
    };
    std::unique_ptr<soxr, Deleter> m_pSoxr;
    double m_dRatio;
    std::vector<float> m_interleaved;  // input as plain floats for libsoxr
    std::vector<float> m_converted;    // libsoxr's output before it becomes frames
};

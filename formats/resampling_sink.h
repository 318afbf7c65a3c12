// Converts the finished 44100 Hz frames to the delivery rate on their way to
// the sink that writes them, with the same libsoxr converter as the input. A
// completed run hands the wrapped sink exactly ConvertedFrameCount(frames,
// 44100, rate) frames.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/io/frame_sink.h"

class StereoResampler;

class ResamplingSink : public FrameSink {
public:
    // frames: how many the run will write, at 44100 Hz.
    ResamplingSink(std::unique_ptr<FrameSink> inner, int rate, std::uint64_t frames);
    ~ResamplingSink() override;

    std::optional<RunMessage> Create(const std::string& path) override;
    void Write(const StereoFrame* frames, std::size_t count) override;
    // After a completed run, the frames the converter still holds go out first.
    void Finish(bool cancelled) override;
    void Discard() override;
    std::uint64_t GetBytesWritten() const override { return m_pInner->GetBytesWritten(); }

private:
    void Pass(std::vector<StereoFrame>& frames);

    std::unique_ptr<FrameSink> m_pInner;
    std::unique_ptr<StereoResampler> m_pResampler;
    std::uint64_t m_nExpected;  // frames the wrapped sink is to get in all
    std::uint64_t m_nPassed = 0;
    std::vector<StereoFrame> m_converted;
};

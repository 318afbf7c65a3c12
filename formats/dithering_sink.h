// TPDF dither for a 16-bit output: each sample gets triangular noise of ±1
// step of the last bit before it is rounded, so that a quiet passage keeps
// its shape as noise-like low bits instead of falling to steps and to digital
// silence. The noise comes from the run's seed, drawn by the sample's place in
// the sound, so the same seed gives the same bits however the frames come.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/io/frame_sink.h"
#include "engine/random/random_stream.h"

// The value a sample takes, as the writers take it: x × 32767 plus noise,
// rounded to the nearest whole step k (kept to -32768 to 32767), and handed on
// as (k ± 1/2) / 32767, halfway into the step away from 0, which the writers'
// truncation toward zero turns back into k exactly. noise lies in (-1, 1).
// A sample of exactly 0 (true silence, as after a fade to silence) stays 0,
// and one that is not finite goes on as it is.
float DitheredSample(float value, double noise);

// Hands the frames on to the 16-bit writer it wraps, dithered; everything
// else goes straight through.
class DitheringSink final : public FrameSink {
public:
    DitheringSink(std::unique_ptr<FrameSink> writer, std::uint32_t seed);

    std::optional<RunMessage> Create(const std::string& path) override;
    void Write(const StereoFrame* frames, std::size_t count) override;
    void Finish(bool cancelled) override;
    void Discard() override;
    std::uint64_t GetBytesWritten() const override;

private:
    std::unique_ptr<FrameSink> m_pWriter;
    RandomStream m_noise;
    std::uint64_t m_nFramesDone = 0;
    std::vector<StereoFrame> m_dithered;
};

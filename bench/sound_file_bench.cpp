// What the new sound-file paths cost, on 60 seconds of sound:
//   - loading a 96 kHz 24-bit stereo WAV (decoded by libsndfile, converted to
//     44100 Hz by libsoxr at very high quality), beside loading the same
//     minute as a 16-bit 44100 Hz WAV through WaveFile and as a 24-bit
//     44100 Hz WAV through libsndfile (no conversion), so the conversion's
//     share shows;
//   - the output side of --rate 96000 (the peak measured on the converted
//     sound, then the conversion again on the way out) and of --loudness.
// Compare the load with a 60 s default render (tools/bench-cli.sh).
//
//   build/bench/sound_file_bench [--benchmark_repetitions=N]
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sndfile.h>
#include <string>
#include <vector>

#include "measurement/delivery_level.h"
#include "measurement/delivery_level_meter.h"
#include "measurement/loudness_meter.h"
#include "formats/resampling_sink.h"
#include "formats/sound_file_opener.h"

namespace {

constexpr int kSeconds = 60;

// Noise through a gentle low-pass, as a recording might be.
std::vector<float> Minute(int rate)
{
    std::mt19937 random(1);
    std::normal_distribution<float> noise(0.0f, 0.2f);
    std::vector<float> samples(static_cast<std::size_t>(2 * kSeconds * rate));
    float left = 0.0f, right = 0.0f;
    for (std::size_t i = 0; i < samples.size(); i += 2) {
        left = 0.9f * left + 0.1f * noise(random);
        right = 0.9f * right + 0.1f * noise(random);
        samples[i] = left;
        samples[i + 1] = right;
    }
    return samples;
}

std::string WriteMinute(const std::string& name, int rate, int format)
{
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    const std::vector<float> samples = Minute(rate);
    sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size() / 2));
    sf_close(file);
    return path;
}

void BM_LoadMinute(benchmark::State& state, int rate, int format, const char* name)
{
    const std::string path = WriteMinute(name, rate, format);
    std::vector<StereoFrame> frames;
    for (auto _ : state) {
        InputOpening opening = OpenSoundFile(path, {});
        if (!opening.m_opening.m_pSource) {
            state.SkipWithError(opening.m_opening.m_failure.m_strText.c_str());
            break;
        }
        SoundSource& source = *opening.m_opening.m_pSource;
        frames.resize(static_cast<std::size_t>(source.GetFrameCount()));
        source.Read(frames.data(), frames.size());
        source.Close();
        benchmark::DoNotOptimize(frames.data());
    }
    std::filesystem::remove(path);
    state.counters["seconds_of_sound_per_s"] =
        benchmark::Counter(static_cast<double>(kSeconds) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

// A finished minute at 44100 Hz.
std::vector<StereoFrame> FinishedMinute()
{
    const std::vector<float> samples = Minute(44100);
    std::vector<StereoFrame> frames(samples.size() / 2);
    for (std::size_t i = 0; i < frames.size(); ++i)
        frames[i] = {samples[2 * i], samples[2 * i + 1]};
    return frames;
}

class NullSink : public FrameSink {
public:
    std::optional<RunMessage> Create(const std::string&) override { return std::nullopt; }
    void Write(const StereoFrame* frames, std::size_t) override { benchmark::DoNotOptimize(frames); }
    void Finish(bool) override {}
    void Discard() override {}
    std::uint64_t GetBytesWritten() const override { return 0; }
};

void BM_DeliverAt96000(benchmark::State& state)
{
    const std::vector<StereoFrame> finished = FinishedMinute();
    for (auto _ : state) {
        std::vector<StereoFrame> frames = finished;
        DeliveryLevelMeter meter(DeliveryLevelPlan{0.5, 96000, std::nullopt});
        meter.Measure(frames);
        const double gain = meter.Gain();
        for (StereoFrame& frame : frames)
            frame = {static_cast<float>(frame.left * gain), static_cast<float>(frame.right * gain)};
        ResamplingSink sink(std::make_unique<NullSink>(), 96000, frames.size());
        sink.Create("-");
        for (std::size_t done = 0; done < frames.size(); done += 4096)
            sink.Write(frames.data() + done, std::min<std::size_t>(4096, frames.size() - done));
        sink.Finish(false);
    }
}

void BM_LoudnessMinute(benchmark::State& state)
{
    const std::vector<StereoFrame> finished = FinishedMinute();
    for (auto _ : state)
        benchmark::DoNotOptimize(MeasureIntegratedLoudness(finished, 44100));
}

}  // namespace

BENCHMARK_CAPTURE(BM_LoadMinute, wav_96000_24bit_converted, 96000, SF_FORMAT_WAV | SF_FORMAT_PCM_24,
                  "sonnelith-bench-96k.wav")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadMinute, wav_44100_16bit_wavefile, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                  "sonnelith-bench-44k16.wav")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadMinute, wav_44100_24bit_libsndfile, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_24,
                  "sonnelith-bench-44k24.wav")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeliverAt96000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoudnessMinute)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

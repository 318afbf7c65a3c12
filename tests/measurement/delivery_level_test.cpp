// The delivery level on the finished sound: untouched for the desktop's own
// output, the peak set again after a rate conversion, and a loudness target
// reached (judged by an independent BS.1770 measurement) under the volume's
// ceiling.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "measurement/delivery_level.h"
#include "tests/formats/delivery_level_applied.h"
#include "measurement/delivery_level_meter.h"
#include "measurement/loudness_meter.h"
#include "formats/resampling_sink.h"
#include "tests/formats/reference_loudness.h"
#include "tests/formats/signal_measures.h"

namespace {

// Music-like test sound: noise shaped by a slow swell, with a tone, peaking at 0.5.
std::vector<StereoFrame> FinishedSound(std::size_t seconds)
{
    std::mt19937 generator(11);
    std::normal_distribution<float> noise(0.0f, 0.1f);
    std::vector<StereoFrame> frames(seconds * 44100);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        const double swell = 0.6 + 0.4 * std::sin(2 * std::numbers::pi * 0.25 * t);
        const double tone = 0.2 * std::sin(2 * std::numbers::pi * 330.0 * t);
        frames[i] = {static_cast<float>(swell * (noise(generator) + tone)),
                     static_cast<float>(swell * (noise(generator) - tone))};
    }
    const double scale = 0.5 / SamplePeak(frames);
    for (StereoFrame& frame : frames)
        frame = {static_cast<float>(frame.left * scale), static_cast<float>(frame.right * scale)};
    return frames;
}

// Collects what a sink is given.
class CaptureSink : public FrameSink {
public:
    explicit CaptureSink(std::vector<StereoFrame>& frames) : m_frames(frames) {}
    std::optional<RunMessage> Create(const std::string&) override { return std::nullopt; }
    void Write(const StereoFrame* frames, std::size_t count) override
    {
        m_frames.insert(m_frames.end(), frames, frames + count);
    }
    void Finish(bool) override {}
    void Discard() override {}
    std::uint64_t GetBytesWritten() const override { return 0; }

private:
    std::vector<StereoFrame>& m_frames;
};

std::vector<StereoFrame> DeliverAt(const std::vector<StereoFrame>& finished, int rate)
{
    std::vector<StereoFrame> delivered;
    ResamplingSink sink(std::make_unique<CaptureSink>(delivered), rate, finished.size());
    sink.Create("capture");
    for (std::size_t done = 0; done < finished.size(); done += 4410)
        sink.Write(finished.data() + done, std::min<std::size_t>(4410, finished.size() - done));
    sink.Finish(false);
    return delivered;
}

bool SameBits(const std::vector<StereoFrame>& a, const std::vector<StereoFrame>& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](const StereoFrame& x, const StereoFrame& y) {
               return x.left == y.left && x.right == y.right;
           });
}

}  // namespace

// The desktop's output (peak rule at 44100 Hz) is written exactly as finished.
TEST(DeliveryLevel, ThePeakRuleAt44100HzLeavesTheFinishedSoundAlone)
{
    std::vector<StereoFrame> frames = FinishedSound(3);
    const std::vector<StereoFrame> finished = frames;
    const DeliveryLevelPlan plan{0.5, 44100, std::nullopt};
    EXPECT_TRUE(LeavesFinishedSoundAlone(plan));
    const DeliveryLevelReport report = ApplyDeliveryLevel(frames, plan);
    EXPECT_FALSE(report.m_bChanged);
    EXPECT_TRUE(SameBits(frames, finished));
    EXPECT_NEAR(report.m_dPeak, 0.5, 1e-7);
}

// Conversion to another rate moves the peak (samples fall between the old
// ones); after the delivery level the converted sound peaks at the volume
// again, to float precision.
TEST(DeliveryLevel, AfterARateConversionTheDeliveredPeakIsTheVolumeAgain)
{
    for (const int rate : {48000, 88200, 96000}) {
        std::vector<StereoFrame> frames = FinishedSound(3);
        const double convertedPeak = SamplePeak(DeliverAt(frames, rate));
        EXPECT_NE(convertedPeak, 0.5) << "conversion should move the peak";
        DeliveredPeakMeter meter(rate);
        meter.Add(frames);
        EXPECT_DOUBLE_EQ(meter.Peak(), convertedPeak);
        const DeliveryLevelReport report = ApplyDeliveryLevel(frames, DeliveryLevelPlan{0.5, rate, std::nullopt});
        EXPECT_TRUE(report.m_bChanged);
        const double deliveredPeak = SamplePeak(DeliverAt(frames, rate));
        EXPECT_NEAR(deliveredPeak, 0.5, 0.5 * 2e-7) << rate;
        EXPECT_NEAR(report.m_dPeak, deliveredPeak, 1e-7);
    }
}

// -18 LUFS, measured by the test's own BS.1770 implementation.
TEST(DeliveryLevel, ALoudnessTargetIsReached)
{
    std::vector<StereoFrame> frames = FinishedSound(10);
    const DeliveryLevelPlan plan{1.0, 44100, -18.0};
    const DeliveryLevelReport report = ApplyDeliveryLevel(frames, plan);
    EXPECT_TRUE(report.m_bChanged);
    EXPECT_FALSE(report.m_bHeldByCeiling);
    EXPECT_NEAR(ReferenceIntegratedLoudness(frames, 44100.0), -18.0, 0.5);
    ASSERT_TRUE(report.m_loudness);
    EXPECT_NEAR(*report.m_loudness, ReferenceIntegratedLoudness(frames, 44100.0), 0.05);
    EXPECT_LE(SamplePeak(frames), 1.0);
    EXPECT_NEAR(report.m_dPeak, SamplePeak(frames), 1e-7);
}

// With a target out of reach the volume holds the peak, and the report says so.
TEST(DeliveryLevel, TheVolumeIsACeilingTheLoudnessNeverLiftsThePeakAbove)
{
    for (const int rate : {44100, 48000}) {
        std::vector<StereoFrame> frames = FinishedSound(5);
        const DeliveryLevelPlan plan{0.25, rate, -6.0};
        const DeliveryLevelReport report = ApplyDeliveryLevel(frames, plan);
        EXPECT_TRUE(report.m_bHeldByCeiling);
        EXPECT_NEAR(SamplePeak(rate == 44100 ? frames : DeliverAt(frames, rate)), 0.25, 1e-7);
        EXPECT_LT(ReferenceIntegratedLoudness(frames, 44100.0), -10.0);
        const std::string text = DescribeDeliveryLevel(report, plan);
        EXPECT_NE(text.find("the peak ceiling of 25.0 % held it below the -6.0 LUFS target"), std::string::npos)
            << text;
    }
}

TEST(DeliveryLevel, SilenceStaysSilent)
{
    std::vector<StereoFrame> silence(44100, StereoFrame{0.0f, 0.0f});
    const DeliveryLevelReport quiet = ApplyDeliveryLevel(silence, DeliveryLevelPlan{0.5, 96000, -18.0});
    EXPECT_FALSE(quiet.m_bChanged);
    EXPECT_EQ(SamplePeak(silence), 0.0);
}

// A run measures the finished sound piece by piece and scales each sample on
// its way out: pieces of any size give the gain, the report and the bits of
// the delivery level measured on the whole sound in one piece.
TEST(DeliveryLevel, MeterOnPiecesGivesTheGainAndBitsOfTheWholeSound)
{
    const std::vector<StereoFrame> sound = FinishedSound(5);
    const DeliveryLevelPlan plans[] = {{0.5, 48000, std::nullopt}, {0.7, 44100, -20.0}, {0.25, 96000, -6.0}};
    for (const DeliveryLevelPlan& plan : plans) {
        std::vector<StereoFrame> whole = sound;
        const DeliveryLevelReport expected = ApplyDeliveryLevel(whole, plan);
        // Even pieces, and pieces of changing odd sizes (one frame, a block and a frame...).
        const std::vector<std::vector<std::size_t>> patterns = {{1000}, {65536}, {100003}, {1, 4097, 333, 65537}};
        for (const std::vector<std::size_t>& pattern : patterns) {
            DeliveryLevelMeter meter(plan);
            for (std::size_t first = 0, p = 0; first < sound.size(); p = (p + 1) % pattern.size()) {
                const std::size_t count = std::min(pattern[p], sound.size() - first);
                meter.Measure(std::span(sound).subspan(first, count));
                first += count;
            }
            const double gain = meter.Gain();
            std::vector<StereoFrame> scaled = sound;
            for (StereoFrame& frame : scaled)
                frame = {static_cast<float>(frame.left * gain), static_cast<float>(frame.right * gain)};
            SCOPED_TRACE(testing::Message() << plan.m_nRate << " Hz, pieces from " << pattern.back() << " frames");
            EXPECT_EQ(gain, expected.m_dGain);
            EXPECT_EQ(meter.GetReport().m_dPeak, expected.m_dPeak);
            EXPECT_EQ(meter.GetReport().m_loudness, expected.m_loudness);
            EXPECT_EQ(meter.GetReport().m_bHeldByCeiling, expected.m_bHeldByCeiling);
            EXPECT_TRUE(SameBits(scaled, whole));
        }
    }
}

TEST(DeliveryLevel, DescribesLoudnessAndPeak)
{
    DeliveryLevelReport report;
    report.m_dPeak = 0.5;
    report.m_loudness = -18.04;
    EXPECT_EQ(DescribeDeliveryLevel(report, DeliveryLevelPlan{}),
              "Integrated loudness -18.0 LUFS, peak -6.0 dBFS (50.0 %)");
}

// The judge itself: its filters at 48 kHz are the standard's printed
// coefficients, and a 0 dBFS 997 Hz sine in one channel reads -3.01 LKFS.
TEST(ReferenceLoudness, MatchesTheStandardsOwnFiguresAndLibebur128)
{
    const auto filters = KWeightingFilters(48000.0);
    EXPECT_NEAR(filters[0].b[0], 1.53512485958697, 1e-9);
    EXPECT_NEAR(filters[0].b[1], -2.69169618940638, 1e-9);
    EXPECT_NEAR(filters[0].b[2], 1.19839281085285, 1e-9);
    EXPECT_NEAR(filters[0].a[1], -1.69065929318241, 1e-9);
    EXPECT_NEAR(filters[0].a[2], 0.73248077421585, 1e-9);
    EXPECT_NEAR(filters[1].a[1], -1.99004745483398, 1e-9);
    EXPECT_NEAR(filters[1].a[2], 0.99007225036621, 1e-9);

    std::vector<StereoFrame> sine(5 * 48000);
    for (std::size_t i = 0; i < sine.size(); ++i)
        sine[i] = {static_cast<float>(std::sin(2 * std::numbers::pi * 997.0 * static_cast<double>(i) / 48000.0)),
                   0.0f};
    EXPECT_NEAR(ReferenceIntegratedLoudness(sine, 48000.0), -3.01, 0.02);

    const std::vector<StereoFrame> sound = FinishedSound(6);
    EXPECT_NEAR(*MeasureIntegratedLoudness(sound, 44100), ReferenceIntegratedLoudness(sound, 44100.0), 0.05);
}

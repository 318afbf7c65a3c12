// How a score's gain lines sound: a step out of silence without a click, a
// line to silence that fades as a fade does, silence after it that is
// exactly 0, and the note that names the layers whose level goes below 20 Hz.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "tests/cli/score_render_fixture.h"

namespace {

constexpr double kRate = 44100.0;

// A 2nd-order Butterworth high-pass (bilinear transform), the test's own.
class HighPass {
public:
    explicit HighPass(double cutoffHz)
    {
        const double k = std::tan(3.141592653589793 * cutoffHz / kRate);
        const double q = 1.0 / std::sqrt(2.0);
        const double norm = 1.0 + k / q + k * k;
        m_b0 = 1.0 / norm;
        m_a1 = 2.0 * (k * k - 1.0) / norm;
        m_a2 = (1.0 - k / q + k * k) / norm;
    }
    double Step(double x)
    {
        const double y = m_b0 * (x - 2.0 * m_x1 + m_x2) - m_a1 * m_y1 - m_a2 * m_y2;
        m_x2 = m_x1;
        m_x1 = x;
        m_y2 = m_y1;
        m_y1 = y;
        return y;
    }

private:
    double m_b0, m_a1, m_a2;
    double m_x1 = 0.0, m_x2 = 0.0, m_y1 = 0.0, m_y2 = 0.0;
};

// The mean power above 3 kHz (4th order) in each 5 ms of samples.
std::vector<double> PowerAbove3kHzPer5ms(const std::vector<float>& samples)
{
    HighPass first(3000.0);
    HighPass second(3000.0);
    const auto window = static_cast<std::size_t>(kRate * 0.005);
    std::vector<double> powers;
    double sum = 0.0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double y = second.Step(first.Step(samples[i]));
        sum += y * y;
        if ((i + 1) % window == 0) {
            powers.push_back(sum / static_cast<double>(window));
            sum = 0.0;
        }
    }
    return powers;
}

// The RMS level above 200 Hz, where a noise's level wanders least.
double RmsAbove200Hz(const std::vector<float>& samples)
{
    HighPass first(200.0);
    HighPass second(200.0);
    double sum = 0.0;
    for (const float sample : samples) {
        const double y = second.Step(first.Step(sample));
        sum += y * y;
    }
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

class ScoreLevelTest : public ScoreRenderTest {};

}  // namespace

// A 150 Hz tone has next to nothing above 3 kHz but where it starts or
// stops at once: out of silence at 0:02 with a step, it clicked 30 dB over
// its own level there.
TEST_F(ScoreLevelTest, AStepOutOfSilenceDoesNotClick)
{
    MakeSource("tone.wav", {"3 sine 150 vol 0.5"});
    const std::string score = WriteScore("step.toml", R"(length = 4
seed = 31
fade = 0
[[layer]]
source = "tone.wav"
gain = -inf
density = 500
grain_length = 200
[[layer.at]]
time = 2
gain = 0
curve = "step"
)");
    Render(score, File("step.wav"), {"--bits", "32"});
    for (const int channel : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "channel " << channel);
        const std::vector<double> powers = PowerAbove3kHzPer5ms(ChannelOf(File("step.wav"), channel));
        ASSERT_GE(powers.size(), 800u);
        const double around = *std::max_element(powers.begin() + 390, powers.begin() + 410);  // 1.95 to 2.05 s
        std::vector<double> held(powers.begin() + 420, powers.end());                          // 2.1 s on
        std::nth_element(held.begin(), held.begin() + held.size() / 2, held.end());
        const double median = held[held.size() / 2];
        ASSERT_GT(median, 0.0);
        EXPECT_LT(10.0 * std::log10(around / median), 8.0);
    }
}

// Pink noise at 0 dB from 0:02 to 0:08, then a straight line to silence at
// 0:20, and silence to the end. Much of its level lies far down, where the
// grains add up coherently into an offset that used to outlive the fade.
TEST_F(ScoreLevelTest, ALineToSilenceFadesAsAFadeAndEndsInZeros)
{
    MakeSource("noise.wav", {"4 pinknoise vol 0.5"});
    const std::string score = WriteScore("fade.toml", R"(length = 23
seed = 31
fade = 0
[[layer]]
source = "noise.wav"
gain = -inf
density = 500
grain_length = 200
[[layer.at]]
time = 2
gain = 0
curve = "step"
[[layer.at]]
time = 8
gain = 0
[[layer.at]]
time = 20
gain = -inf
)");
    Render(score, File("fade.wav"), {"--bits", "32"});
    for (const int channel : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "channel " << channel);
        const std::vector<float> sound = ChannelOf(File("fade.wav"), channel);
        ASSERT_EQ(sound.size(), 23u * 44100u);
        // Halfway down the line the level is half (-6 dB), not -60 dB as a
        // line in decibels would have it.
        const double full = RmsAbove200Hz(Stretch(sound, 3.0, 5.0));
        const double halfway = RmsAbove200Hz(Stretch(sound, 13.5, 1.0));
        EXPECT_NEAR(20.0 * std::log10(halfway / full), -6.0, 1.5);
        // Silence, from 10 ms after the fade and before the step, is 0 to the bit: no
        // offset is left over from the loud part.
        for (const auto& [first, seconds] : {std::pair{20.01, 2.99}, std::pair{0.0, 1.99}}) {
            const std::vector<float> silence = Stretch(sound, first, seconds);
            const auto loudest = std::max_element(silence.begin(), silence.end(),
                                                  [](float a, float b) { return std::fabs(a) < std::fabs(b); });
            EXPECT_EQ(*loudest, 0.0f) << "from " << first << " s";
        }
    }
}

// A layer reading a 3 Hz sine spends the track's peak below 20 Hz; the note
// after the render names it by its line and source, and leaves out the layer
// of a 1 kHz tone, which has next to nothing there.
TEST_F(ScoreLevelTest, TheSubAudioNoteNamesTheLayersItComesFrom)
{
    MakeSource("slow.wav", {"3 sine 3 vol 0.9"});
    MakeSource("tone.wav", {"3 sine 1000 vol 0.5"});
    const std::string score = WriteScore("rumble.toml", R"(length = 4
seed = 5

[[layer]]
source = "tone.wav"
density = 500

[[layer]]
source = "slow.wav"
density = 500
gain = -6
)");
    const CliResult result = Run({score, "-o", File("rumble.wav")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("% of this track's peak comes from below 20 Hz"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("low_cut = 20"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("  the layer at line 8 (slow.wav) reaches "), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("(tone.wav) reaches"), std::string::npos) << result.err;

    // With low_cut = 20 on that layer, no note.
    const std::string cut = WriteScore("cut.toml", R"(length = 4
seed = 5

[[layer]]
source = "tone.wav"
density = 500

[[layer]]
source = "slow.wav"
density = 500
gain = -6
low_cut = 20
)");
    const CliResult quiet = Run({cut, "-o", File("cut.wav")});
    ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_EQ(quiet.err.find("below 20 Hz"), std::string::npos) << quiet.err;
}

// How a score's gain lines sound, measured on renders of pink noise: a step
// out of silence without a click, a line to silence that fades as a fade
// does, silence after it that is exactly 0, and the note that names the
// layers whose level goes below 20 Hz.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
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

double Rms(const std::vector<float>& samples)
{
    double sum = 0.0;
    for (const float sample : samples)
        sum += static_cast<double>(sample) * sample;
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

// Out of silence at once to -25 dB at 0:02, held to 0:06, up to 0 dB by 0:07,
// held, then a straight line to silence from 0:08 to 0:20, and silence to the
// end. Pink noise spends much of its level far down, where grains add up
// coherently: a step there clicks, and its offset outlives a fade.
const char* const kFadeScore = R"(length = 23
seed = 31
fade = 0

[[layer]]
source = "noise.wav"
gain = -inf
density = 400
grain_length = 200
[[layer.at]]
time = 2
gain = -25
curve = "step"
[[layer.at]]
time = 6
gain = -25
[[layer.at]]
time = 7
gain = 0
[[layer.at]]
time = 8
gain = 0
[[layer.at]]
time = 20
gain = -inf
)";

class ScoreLevelTest : public ScoreRenderTest {};

}  // namespace

TEST_F(ScoreLevelTest, GainLinesOutOfAndIntoSilenceSoundAsFades)
{
    MakeSource("noise.wav", {"4 pinknoise vol 0.5"});
    const std::string score = WriteScore("fades.toml", kFadeScore);
    Render(score, File("fades.wav"), {"--bits", "32"});
    for (const int channel : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "channel " << channel);
        const std::vector<float> sound = ChannelOf(File("fades.wav"), channel);
        ASSERT_EQ(sound.size(), 23u * 44100u);

        // The step: no 5 ms around it holds more power above 3 kHz than the
        // held stretch after it does at its median, give or take the noise's
        // own ups and downs.
        const std::vector<double> powers = PowerAbove3kHzPer5ms(sound);
        const double around = *std::max_element(powers.begin() + 390, powers.begin() + 410);  // 1.95 to 2.05 s
        std::vector<double> held(powers.begin() + 420, powers.begin() + 1180);                // 2.1 to 5.9 s
        std::nth_element(held.begin(), held.begin() + held.size() / 2, held.end());
        const double median = held[held.size() / 2];
        ASSERT_GT(median, 0.0);
        EXPECT_LT(10.0 * std::log10(around / median), 4.0);

        // Halfway down the line to silence the level is half (-6 dB), not
        // -60 dB as a line in decibels would have it.
        const double full = Rms(Stretch(sound, 7.2, 0.7));
        const double halfway = Rms(Stretch(sound, 13.75, 0.5));
        EXPECT_NEAR(20.0 * std::log10(halfway / full), -6.0, 1.5);

        // Silence, 10 ms after the line reaches it, is 0 to the bit: no
        // offset is left over from the loud part.
        const std::vector<float> silence = Stretch(sound, 20.01, 2.99);
        EXPECT_TRUE(std::all_of(silence.begin(), silence.end(), [](float s) { return s == 0.0f; }))
            << "largest " << *std::max_element(silence.begin(), silence.end());
        // And before the step too.
        const std::vector<float> before = Stretch(sound, 0.0, 1.99);
        EXPECT_TRUE(std::all_of(before.begin(), before.end(), [](float s) { return s == 0.0f; }));
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
density = 300

[[layer]]
source = "slow.wav"
density = 300
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
density = 300

[[layer]]
source = "slow.wav"
density = 300
gain = -6
low_cut = 20
)");
    const CliResult quiet = Run({cut, "-o", File("cut.wav")});
    ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_EQ(quiet.err.find("below 20 Hz"), std::string::npos) << quiet.err;
}

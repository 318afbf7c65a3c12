// Level evening on sound: noise with loud, quiet and near-silent stretches,
// surveyed by libebur128, evened, and measured again by the tests' own
// BS.1770 meter, window by window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <span>
#include <stdexcept>
#include <vector>

#include "measurement/level_evening_plan.h"
#include "tests/formats/reference_loudness.h"

namespace {

constexpr double kRate = 44100.0;
constexpr std::size_t kSecond = 44100;
constexpr std::size_t kHop = 4410;             // windows every 100 ms
constexpr std::size_t kWindow = 3 * kSecond;   // of 3 s
constexpr double kNearSilence = -80.0;

struct Stretch {
    std::size_t m_nSeconds;
    double m_dDecibels;  // 0: white noise of ±0.5 on each channel
};

// Loud (0 dB), middle (-12 dB, most of it, so the median), quiet (-30 dB)
// and near-silent stretches, with every kind of step between the heard ones
// (a quiet one straight into a loud one too).
const std::vector<Stretch> kSwinging{{15, -12.0}, {15, 0.0},  {15, -12.0}, {15, -30.0}, {15, -12.0},
                                     {15, 0.0},   {10, kNearSilence},   {15, -30.0}, {15, 0.0},   {15, -12.0}};

std::vector<StereoFrame> NoiseStretches(const std::vector<Stretch>& stretches, unsigned seed = 5)
{
    std::mt19937 random(seed);
    auto sample = [&](double amplitude) {
        return static_cast<float>(amplitude * (static_cast<double>(random()) / 4294967295.0 * 2.0 - 1.0));
    };
    std::vector<StereoFrame> sound;
    std::size_t seconds = 0;
    for (const Stretch& stretch : stretches)
        seconds += stretch.m_nSeconds;
    sound.reserve(seconds * kSecond);
    for (const Stretch& stretch : stretches) {
        const double amplitude = 0.5 * std::pow(10.0, stretch.m_dDecibels / 20.0);
        for (std::size_t n = 0; n < stretch.m_nSeconds * kSecond; ++n) {
            const float left = sample(amplitude);
            sound.push_back({left, sample(amplitude)});
        }
    }
    return sound;
}

// Frames [from, to) of sound, to the evening, in pieces of the sizes given
// in turn (round and round).
void SurveyPart(LevelEvening& evening, const std::vector<StereoFrame>& sound, std::size_t from, std::size_t to,
                const std::vector<std::size_t>& pieces = {65536})
{
    const std::span<const StereoFrame> whole(sound);
    std::size_t turn = 0;
    for (std::size_t first = from; first < to;) {
        const std::size_t count = std::min(pieces[turn++ % pieces.size()], to - first);
        evening.Survey(whole.subspan(first, count), first);
        first += count;
    }
}

// The sound times the evening's gain, frame by frame, as the render does it.
std::vector<StereoFrame> Evened(const std::vector<StereoFrame>& sound, const LevelEvening& evening)
{
    std::vector<StereoFrame> evened(sound.size());
    for (std::size_t j = 0; j < sound.size(); ++j) {
        const double gain = evening.GainAt(j);
        evened[j] = {static_cast<float>(sound[j].left * gain), static_cast<float>(sound[j].right * gain)};
    }
    return evened;
}

double Median(std::vector<double> values)
{
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Where each 3 s window (every 100 ms) of the swinging sound lies: outside
// the fades and clear of the near-silent stretch (counted), and whether it
// is also 3.5 s clear of every step (steady: the gain has made its turn).
struct WindowKinds {
    std::vector<bool> m_counted;
    std::vector<bool> m_steady;
};

WindowKinds KindsOf(const std::vector<Stretch>& stretches, std::size_t windows, std::size_t fadeFrames)
{
    std::vector<std::size_t> steps{0};
    std::size_t silenceStart = 0;
    for (const Stretch& stretch : stretches) {
        if (stretch.m_dDecibels == kNearSilence)
            silenceStart = steps.back();
        steps.push_back(steps.back() + stretch.m_nSeconds * kSecond);
    }
    const std::size_t total = steps.back();
    const std::size_t silenceEnd = silenceStart + 10 * kSecond;
    WindowKinds kinds{std::vector<bool>(windows), std::vector<bool>(windows)};
    for (std::size_t n = 0; n < windows; ++n) {
        const std::size_t start = n * kHop;
        const std::size_t end = start + kWindow;
        const bool inSilence = start < silenceEnd && end > silenceStart;
        kinds.m_counted[n] = start >= fadeFrames && end <= total - fadeFrames && !inSilence;
        const std::size_t clear = 7 * kSecond / 2;
        kinds.m_steady[n] = kinds.m_counted[n] && std::none_of(steps.begin(), steps.end(), [&](std::size_t step) {
            return start < step + clear && end + clear > step;
        });
    }
    return kinds;
}

// Windows of one kind, less the median of all counted windows, as a range.
struct Spread {
    double m_dLowest = 0.0;
    double m_dHighest = 0.0;
};

Spread SpreadOf(const std::vector<double>& loudness, const std::vector<bool>& kind, double median)
{
    Spread spread;
    for (std::size_t n = 0; n < loudness.size(); ++n) {
        if (kind[n]) {
            spread.m_dLowest = std::min(spread.m_dLowest, loudness[n] - median);
            spread.m_dHighest = std::max(spread.m_dHighest, loudness[n] - median);
        }
    }
    return spread;
}

double CountedMedian(const std::vector<double>& loudness, const std::vector<bool>& counted)
{
    std::vector<double> values;
    for (std::size_t n = 0; n < loudness.size(); ++n) {
        if (counted[n])
            values.push_back(loudness[n]);
    }
    return Median(values);
}

// The swinging sound evened with a range of 6 LU and fades of 3 s, made once
// for the tests that look at it.
class SwingingSound : public ::testing::Test {
protected:
    static constexpr double kRange = 6.0;
    static constexpr std::size_t kFade = 3 * kSecond;

    static void SetUpTestSuite()
    {
        s_pSound = std::make_unique<std::vector<StereoFrame>>(NoiseStretches(kSwinging));
        s_pEvening = std::make_unique<LevelEveningPlan>(kRange, false);
        SurveyPart(*s_pEvening, *s_pSound, 0, s_pSound->size());
        s_pEvening->Plan(s_pSound->size(), kFade);
    }
    static void TearDownTestSuite()
    {
        s_pSound.reset();
        s_pEvening.reset();
    }

    static inline std::unique_ptr<std::vector<StereoFrame>> s_pSound;
    static inline std::unique_ptr<LevelEveningPlan> s_pEvening;
};

}  // namespace

// The sound swings by 30 LU (-18 to +12 around its median). Evened with a
// range of 6 LU, and measured outside the fades and the near-silent stretch:
TEST_F(SwingingSound, KeepsItsShortTermLoudnessInTheRange)
{
    const std::vector<StereoFrame>& sound = *s_pSound;
    const LevelEveningPlan& evening = *s_pEvening;
    const std::vector<double> before = ReferenceShortTermLoudness(sound, kRate, kHop);
    const std::vector<double> after = ReferenceShortTermLoudness(Evened(sound, evening), kRate, kHop);
    const WindowKinds kinds = KindsOf(kSwinging, after.size(), kFade);
    const Spread swing = SpreadOf(before, kinds.m_counted, CountedMedian(before, kinds.m_counted));
    ASSERT_LT(swing.m_dLowest, -17.5);
    ASSERT_GT(swing.m_dHighest, 11.5);
    const double median = CountedMedian(after, kinds.m_counted);
    // - where the gain has made its turn, within the range: 3 s of noise
    //   varies in loudness by a few hundredths of a LU from window to window;
    const Spread steady = SpreadOf(after, kinds.m_steady, median);
    EXPECT_GE(steady.m_dLowest, -kRange - 0.1);
    EXPECT_LE(steady.m_dHighest, kRange + 0.1);
    // - at and near the steps, never more than 0.5 LU over the top: the window
    //   centred on a step into a loud stretch is half quiet, so the gain there
    //   need not be all the way down, and windows just after it still hold up
    //   to 1.5 s of the loud stretch under less than its full cut;
    const Spread all = SpreadOf(after, kinds.m_counted, median);
    EXPECT_LE(all.m_dHighest, kRange + 0.5);
    // - and at most 8.5 LU under the bottom: a quiet stretch straight into a
    //   loud one (30 dB) needs the gain to turn by 18 dB (+12 to -6), 3.1 s at
    //   6 dB/s, all of it before the loud stretch so that it never comes in
    //   too loud. The 3 s window holding that turn and nothing of the loud
    //   stretch is 6.2 LU under the lifted quiet stretch (the mean of
    //   10^(g/10) over the turn), and up to 2 LU more as the rounding of the
    //   corners brings the turn up to 0.5 s forward.
    EXPECT_GE(all.m_dLowest, -kRange - 8.5);
}

// The near-silent stretch (90 to 100 s) is not lifted: where the 3 s windows
// hold nothing else (1.5 s in from either end), the gain is at most 1.
TEST_F(SwingingSound, LeavesNearSilenceUnlifted)
{
    const LevelEveningPlan& evening = *s_pEvening;
    for (std::size_t j = 91 * kSecond + kSecond / 2; j <= 98 * kSecond + kSecond / 2; ++j)
        ASSERT_LE(evening.GainAt(j), 1.0) << j;
}

TEST(LevelEvening, ASteadySoundKeepsAGainOfOneEverywhere)
{
    const std::vector<StereoFrame> sound = NoiseStretches({{40, -10.0}});
    for (const bool loop : {false, true}) {
        LevelEveningPlan evening(1.0, loop);
        SurveyPart(evening, sound, 0, sound.size());
        evening.Plan(sound.size(), loop ? 0 : 2 * kSecond);
        for (std::size_t j = 0; j < sound.size(); ++j)
            ASSERT_EQ(evening.GainAt(j), 1.0) << j;
    }
}

// The same frames in pieces of other sizes: the same plan, to the bit.
TEST(LevelEvening, PiecesOfAnySizeGiveTheSamePlan)
{
    const std::vector<StereoFrame> sound = NoiseStretches({{10, -20.0}, {8, 0.0}, {12, -35.0}, {10, -20.0}});
    LevelEveningPlan whole(3.0, false);
    whole.Survey(sound, 0);
    whole.Plan(sound.size(), kSecond);
    LevelEveningPlan pieces(3.0, false);
    SurveyPart(pieces, sound, 0, sound.size(), {1, 4409, 4410, 4411, 7, 65536, 100003});
    pieces.Plan(sound.size(), kSecond);
    ASSERT_FALSE(whole.Curve().IsUnity());
    EXPECT_EQ(pieces.Curve().Factors(), whole.Curve().Factors());
}

// A loop's body comes first (from the origin on) and its head last, as a
// render finishes them; the same loop surveyed from frame 0 in order.
TEST(LevelEvening, ALoopsHeadComingLastPlansAlmostAsInOrder)
{
    const std::vector<StereoFrame> sound = NoiseStretches({{10, -20.0}, {8, 0.0}, {12, -35.0}, {10, -20.0}});
    LevelEveningPlan inOrder(3.0, true);
    SurveyPart(inOrder, sound, 0, sound.size());
    inOrder.Plan(sound.size(), 0);
    for (const std::size_t head : {std::size_t{132300}, std::size_t{100000}}) {
        LevelEveningPlan headLast(3.0, true);
        SurveyPart(headLast, sound, head, sound.size());
        SurveyPart(headLast, sound, 0, head);
        headLast.Plan(sound.size(), 0);
        double apart = 0.0;
        for (std::size_t j = 0; j < sound.size(); j += 49)
            apart = std::max(apart, std::fabs(20.0 * std::log10(headLast.GainAt(j) / inOrder.GainAt(j))));
        // Blocks counted from a head of 30 whole blocks lie where those counted
        // from frame 0 do: only the filter's start differs (from silence, or
        // from the loop's end), which the first block's energy barely shows.
        // Otherwise the points lie up to 100 ms apart, and the gain moves
        // by less than 0.6 dB in 100 ms.
        EXPECT_LE(apart, head % CurvePlacement::kPointFrames == 0 ? 0.01 : 0.6) << head;
        const double seam = 20.0 * std::log10(headLast.GainAt(0) / headLast.GainAt(sound.size() - 1));
        EXPECT_LE(std::fabs(seam), kSteepestDbPerSecond / kRate + 1e-9);
    }
}

TEST(LevelEvening, RefusesASurveyThatDoesNotCoverTheSoundOnce)
{
    const std::vector<StereoFrame> sound = NoiseStretches({{4, -20.0}});
    const std::span<const StereoFrame> whole(sound);
    LevelEveningPlan gap(6.0, false);
    gap.Survey(whole.first(100), 0);
    EXPECT_THROW(gap.Survey(whole.subspan(200, 100), 200), std::logic_error);
    LevelEveningPlan shortOfTheEnd(6.0, false);
    shortOfTheEnd.Survey(whole.first(1000), 0);
    EXPECT_THROW(shortOfTheEnd.Plan(1001, 0), std::logic_error);
    LevelEveningPlan notFromTheStart(6.0, false);
    notFromTheStart.Survey(whole.subspan(5, 995), 5);
    EXPECT_THROW(notFromTheStart.Plan(1000, 0), std::logic_error);
    LevelEveningPlan headPastTheBody(6.0, true);
    headPastTheBody.Survey(whole.subspan(500, 500), 500);
    EXPECT_THROW(headPastTheBody.Survey(whole.first(600), 0), std::logic_error);
    LevelEveningPlan planned(6.0, false);
    planned.Survey(whole, 0);
    planned.Plan(whole.size(), 0);
    EXPECT_THROW(planned.Plan(whole.size(), 0), std::logic_error);
    EXPECT_THROW(planned.Survey(whole.first(10), 0), std::logic_error);
    LevelEveningPlan openButWrapped(6.0, false);
    openButWrapped.Survey(whole.subspan(500, 500), 500);
    openButWrapped.Survey(whole.first(500), 0);
    EXPECT_THROW(openButWrapped.Plan(1000, 0), std::logic_error);
}

TEST(LevelEvening, TheRangeRunsFromOneToFortyLu)
{
    EXPECT_NO_THROW(LevelEveningPlan(1.0, false));
    EXPECT_NO_THROW(LevelEveningPlan(40.0, true));
    for (const double range : {0.5, 40.5, -6.0, std::nan("")})
        EXPECT_THROW(LevelEveningPlan(range, false), std::invalid_argument) << range;
}

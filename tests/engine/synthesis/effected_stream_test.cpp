// A sound through a chain, taken window by window: the chain's output in step
// with its input whatever the windows, and the same again after a new start.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "engine/synthesis/effected_stream.h"

namespace {

// Doubles its input and holds the last 1000 frames fed back, as a plugin
// with latency whose host has taken it off; counts the chains made.
class HoldingChain final : public SoundChain {
public:
    explicit HoldingChain(int& made) { ++made; }
    void Feed(std::span<const StereoFrame> input, std::vector<StereoFrame>& out) override
    {
        for (const StereoFrame& frame : input)
            m_held.push_back({frame.left * 2.0f, frame.right * 2.0f});
        while (m_held.size() > 1000) {
            out.push_back(m_held.front());
            m_held.pop_front();
        }
    }

private:
    std::deque<StereoFrame> m_held;
};

StereoFrame DryFrame(std::uint64_t frame)
{
    return {static_cast<float>(frame % 977) * 0.001f, -static_cast<float>(frame % 331) * 0.002f};
}

}  // namespace

TEST(EffectedStream, GivesTheChainsOutputInStepWhateverTheWindowsAndAgainAfterANewStart)
{
    int made = 0;
    std::uint64_t dryNext = 0;
    EffectedStream stream([&made](const EffectChainSetting&) { return std::make_unique<HoldingChain>(made); },
                          EffectChainSetting{EffectSetting{}},
                          [&dryNext](std::span<StereoFrame> piece, std::uint64_t first) {
                              EXPECT_EQ(first, dryNext);  // in order, without gaps
                              dryNext = first + piece.size();
                              for (std::size_t i = 0; i < piece.size(); ++i)
                                  piece[i] = DryFrame(first + i);
                          });
    constexpr std::uint64_t kStart = 500;
    constexpr std::uint64_t kEnd = 20000;
    for (const std::size_t windowFrames : {std::size_t{7}, std::size_t{65536}}) {
        SCOPED_TRACE(windowFrames);
        dryNext = kStart;
        stream.Begin(kStart, kEnd);
        std::vector<StereoFrame> window;
        for (std::uint64_t first = kStart; first < kEnd + 3000; first += window.size()) {
            window.assign(std::min<std::uint64_t>(windowFrames, kEnd + 3000 - first), StereoFrame{1.0f, 1.0f});
            stream.Render(window, first, true);
            for (std::size_t i = 0; i < window.size(); ++i) {
                const std::uint64_t frame = first + i;
                const StereoFrame dry = frame < kEnd ? DryFrame(frame) : StereoFrame{0.0f, 0.0f};
                ASSERT_EQ(window[i].left, 1.0f + dry.left * 2.0f) << frame;
                ASSERT_EQ(window[i].right, 1.0f + dry.right * 2.0f) << frame;
            }
        }
        // The dry sound is not asked for past its end.
        EXPECT_EQ(dryNext, kEnd);
    }
    EXPECT_EQ(made, 2);
    std::vector<StereoFrame> window(10);
    EXPECT_THROW(stream.Render(window, 0, false), std::logic_error);
}

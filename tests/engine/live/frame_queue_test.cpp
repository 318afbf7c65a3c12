// The frame queue between a renderer and a sound device: frames come out in
// the order they went in, across the ring's end, from two threads at once;
// a short pull is silence and is counted, unless the sound has ended.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <thread>
#include <vector>

#include "engine/live/frame_queue.h"

namespace {

// Frame number n, told apart in both channels.
StereoFrame Numbered(std::uint64_t n)
{
    return {static_cast<float>(n), -static_cast<float>(n)};
}

std::vector<StereoFrame> NumberedFrames(std::uint64_t first, std::size_t count)
{
    std::vector<StereoFrame> frames(count);
    for (std::size_t j = 0; j < count; ++j)
        frames[j] = Numbered(first + j);
    return frames;
}

}  // namespace

TEST(FrameQueue, HandsOutFramesInOrderAcrossTheRingsEnd)
{
    FrameQueue queue(10);
    std::uint64_t pushed = 0;
    std::uint64_t pulled = 0;
    // Pieces of 7 into a ring of 10 wrap at a different place each time.
    for (int round = 0; round < 20; ++round) {
        const std::vector<StereoFrame> piece = NumberedFrames(pushed, 7);
        ASSERT_EQ(queue.Push(piece.data(), piece.size()), 7u);
        pushed += 7;
        std::vector<StereoFrame> out(7);
        ASSERT_EQ(queue.Pop(out.data(), out.size()), 7u);
        for (const StereoFrame& frame : out) {
            ASSERT_EQ(frame.left, Numbered(pulled).left);
            ASSERT_EQ(frame.right, Numbered(pulled).right);
            ++pulled;
        }
    }
    EXPECT_EQ(queue.GetPushedFrameCount(), 140u);
    EXPECT_EQ(queue.GetPulledFrameCount(), 140u);
    EXPECT_EQ(queue.GetUnderrunCount(), 0u);
}

TEST(FrameQueue, TakesNoMoreThanItsCapacityAndGivesNoMoreThanItHolds)
{
    FrameQueue queue(8);
    const std::vector<StereoFrame> frames = NumberedFrames(0, 12);
    EXPECT_EQ(queue.Push(frames.data(), 12), 8u);
    EXPECT_EQ(queue.GetFreeSpace(), 0u);
    EXPECT_EQ(queue.Push(frames.data(), 1), 0u);

    std::vector<StereoFrame> out(12);
    EXPECT_EQ(queue.Pop(out.data(), 12), 8u);
    EXPECT_EQ(out[7].left, 7.0f);
    EXPECT_EQ(queue.GetQueued(), 0u);
    EXPECT_EQ(queue.Pop(out.data(), 12), 0u);
}

TEST(FrameQueue, AShortFillIsSilenceAndCountedAsAnUnderrun)
{
    FrameQueue queue(16);
    const std::vector<StereoFrame> frames = NumberedFrames(1, 5);
    queue.Push(frames.data(), frames.size());

    std::vector<StereoFrame> out(8, StereoFrame{9.0f, 9.0f});
    queue.Fill(out.data(), out.size());
    EXPECT_EQ(out[4].left, 5.0f);
    for (std::size_t j = 5; j < 8; ++j) {
        EXPECT_EQ(out[j].left, 0.0f);
        EXPECT_EQ(out[j].right, 0.0f);
    }
    EXPECT_EQ(queue.GetUnderrunCount(), 1u);
    EXPECT_EQ(queue.GetMissingFrameCount(), 3u);

    queue.Fill(out.data(), 4);
    EXPECT_EQ(queue.GetUnderrunCount(), 2u);
    EXPECT_EQ(queue.GetMissingFrameCount(), 7u);
}

TEST(FrameQueue, ShortFillsAfterTheEndAreNotUnderruns)
{
    FrameQueue queue(16);
    const std::vector<StereoFrame> frames = NumberedFrames(1, 5);
    queue.Push(frames.data(), frames.size());
    queue.MarkEnd();
    EXPECT_FALSE(queue.IsDrained());

    std::vector<StereoFrame> out(8);
    queue.Fill(out.data(), out.size());
    queue.Fill(out.data(), out.size());
    EXPECT_TRUE(queue.IsDrained());
    EXPECT_EQ(out[0].left, 0.0f);
    EXPECT_EQ(queue.GetUnderrunCount(), 0u);
    EXPECT_EQ(queue.GetMissingFrameCount(), 0u);
}

TEST(FrameQueue, DroppingWhatIsQueuedMakesRoomAndSkipsIt)
{
    FrameQueue queue(8);
    const std::vector<StereoFrame> old = NumberedFrames(0, 8);
    queue.Push(old.data(), old.size());
    queue.DropQueued();
    EXPECT_EQ(queue.GetQueued(), 0u);

    const std::vector<StereoFrame> fresh = NumberedFrames(100, 3);
    EXPECT_EQ(queue.Push(fresh.data(), fresh.size()), 3u);
    StereoFrame out{};
    queue.Pop(&out, 1);
    EXPECT_EQ(out.left, 100.0f);
}

// A renderer and a device callback, each on its own thread, in pieces of
// unrelated sizes: every frame arrives once and in order. Run under a thread
// sanitizer, this also shows that the ring's frames are handed over without
// a data race.
TEST(FrameQueue, TwoThreadsPassEveryFrameOnceAndInOrder)
{
    constexpr std::uint64_t kFrames = 1 << 20;
    FrameQueue queue(997);
    std::thread producer([&queue] {
        std::mt19937 random(1);
        std::uniform_int_distribution<std::size_t> pieceSize(1, 400);
        std::vector<StereoFrame> piece;
        for (std::uint64_t next = 0; next < kFrames;) {
            piece = NumberedFrames(next, static_cast<std::size_t>(std::min<std::uint64_t>(pieceSize(random), kFrames - next)));
            std::size_t done = 0;
            while (done < piece.size()) {
                const std::size_t pushed = queue.Push(piece.data() + done, piece.size() - done);
                done += pushed;
                if (pushed == 0)
                    std::this_thread::yield();
            }
            next += piece.size();
        }
        queue.MarkEnd();
    });

    std::mt19937 random(2);
    std::uniform_int_distribution<std::size_t> pieceSize(1, 300);
    std::vector<StereoFrame> out(300);
    std::uint64_t expected = 0;
    std::uint64_t wrong = 0;
    while (!queue.IsDrained()) {
        const std::size_t popped = queue.Pop(out.data(), pieceSize(random));
        for (std::size_t j = 0; j < popped; ++j, ++expected)
            wrong += out[j].left != static_cast<float>(expected) || out[j].right != -static_cast<float>(expected);
        if (popped == 0)
            std::this_thread::yield();
    }
    producer.join();
    EXPECT_EQ(expected, kFrames);
    EXPECT_EQ(wrong, 0u);
}

// A bounded queue of frames between one thread that renders ahead and one that
// plays what was rendered, without locks.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/live/frame_feed.h"
#include "engine/base/stereo_frame.h"

// One producer pushes, one consumer pulls; each side may be its own thread.
// The frames are held in a ring allocated by the constructor; no call after it
// allocates, locks or waits, so the consumer may be a sound device's callback.
//
// A pull that finds fewer frames than it asks for is an underrun: the rest is
// silence, and the queue counts the event and the frames it could not supply,
// so that the consumer's owner can say that rendering fell behind. Once the
// producer has marked the end of its frames, a short pull past them is the end
// of the sound, not an underrun.
class FrameQueue final : public FrameFeed {
public:
    // capacity is in frames, at least 1.
    explicit FrameQueue(std::size_t capacity);

    std::size_t GetCapacity() const { return m_nCapacity; }

    // Producer side.
    // Room for frames now; more may free up at any moment.
    std::size_t GetFreeSpace() const noexcept;
    // Appends as many of the count frames as there is room for; answers how many.
    std::size_t Push(const StereoFrame* frames, std::size_t count) noexcept;
    // No more frames will be pushed.
    void MarkEnd() noexcept;

    // Consumer side.
    // Frames waiting to be pulled; more may arrive at any moment.
    std::size_t GetQueued() const noexcept;
    // Takes up to count frames in order; answers how many it took.
    std::size_t Pop(StereoFrame* frames, std::size_t count) noexcept;
    // Takes count frames; what is missing is silence, counted as an underrun
    // unless the producer has marked its end and every frame before it went out.
    void Fill(StereoFrame* frames, std::size_t count) noexcept override;
    // Drops every frame queued so far (the consumer's jump elsewhere).
    void DropQueued() noexcept;
    // True once the producer marked its end and the consumer took every frame.
    bool IsDrained() const noexcept;

    // Readable from any thread.
    // Pulls that came up short before the end, since construction.
    std::uint64_t GetUnderrunCount() const noexcept { return m_nUnderruns.load(std::memory_order_relaxed); }
    // The silent frames those pulls handed out in place of sound.
    std::uint64_t GetMissingFrameCount() const noexcept { return m_nMissingFrames.load(std::memory_order_relaxed); }
    // Frames pushed and pulled since construction.
    std::uint64_t GetPushedFrameCount() const noexcept { return m_nWritten.load(std::memory_order_acquire); }
    std::uint64_t GetPulledFrameCount() const noexcept { return m_nRead.load(std::memory_order_acquire); }

private:
    void CopyIn(std::uint64_t position, const StereoFrame* frames, std::size_t count) noexcept;
    void CopyOut(std::uint64_t position, StereoFrame* frames, std::size_t count) const noexcept;

    const std::size_t m_nCapacity;
    const std::unique_ptr<StereoFrame[]> m_ring;
    // Running totals, never wrapped: a 64-bit count of frames lasts millions
    // of years at 44100 Hz. Each is written by one side only and sits on its
    // own cache line, so that the sides do not slow each other down.
    alignas(64) std::atomic<std::uint64_t> m_nWritten{0};  // producer's
    std::atomic<bool> m_bEnded{false};                     // producer's
    alignas(64) std::atomic<std::uint64_t> m_nRead{0};     // consumer's
    std::atomic<std::uint64_t> m_nUnderruns{0};             // consumer's
    std::atomic<std::uint64_t> m_nMissingFrames{0};         // consumer's
};

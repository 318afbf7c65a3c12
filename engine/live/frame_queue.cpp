#include "engine/live/frame_queue.h"

#include <algorithm>
#include <cstring>

FrameQueue::FrameQueue(std::size_t capacity)
    : m_nCapacity(std::max<std::size_t>(capacity, 1))
    , m_ring(std::make_unique<StereoFrame[]>(m_nCapacity))
{
}

std::size_t FrameQueue::GetFreeSpace() const noexcept
{
    return m_nCapacity - GetQueued();
}

std::size_t FrameQueue::GetQueued() const noexcept
{
    // Read the consumer's count first: the producer's can only have grown
    // since, so the difference never goes below zero nor above the capacity.
    const std::uint64_t read = m_nRead.load(std::memory_order_acquire);
    const std::uint64_t written = m_nWritten.load(std::memory_order_acquire);
    return static_cast<std::size_t>(written - read);
}

std::size_t FrameQueue::Push(const StereoFrame* frames, std::size_t count) noexcept
{
    const std::uint64_t written = m_nWritten.load(std::memory_order_relaxed);
    // Acquire: the consumer has finished copying out what it counts as read,
    // so those places may be written over.
    const std::uint64_t read = m_nRead.load(std::memory_order_acquire);
    const std::size_t room = m_nCapacity - static_cast<std::size_t>(written - read);
    const std::size_t taken = std::min(count, room);
    CopyIn(written, frames, taken);
    // Release: the frames are in the ring before the consumer can count them.
    m_nWritten.store(written + taken, std::memory_order_release);
    return taken;
}

void FrameQueue::MarkEnd() noexcept
{
    m_bEnded.store(true, std::memory_order_release);
}

std::size_t FrameQueue::Pop(StereoFrame* frames, std::size_t count) noexcept
{
    const std::uint64_t read = m_nRead.load(std::memory_order_relaxed);
    const std::uint64_t written = m_nWritten.load(std::memory_order_acquire);
    const std::size_t taken = std::min(count, static_cast<std::size_t>(written - read));
    CopyOut(read, frames, taken);
    m_nRead.store(read + taken, std::memory_order_release);
    return taken;
}

void FrameQueue::Fill(StereoFrame* frames, std::size_t count) noexcept
{
    const std::size_t taken = Pop(frames, count);
    if (taken == count)
        return;
    std::fill(frames + taken, frames + count, StereoFrame{0.0f, 0.0f});
    // Every push comes before the end mark, so once the mark is seen the
    // producer's count is final.
    if (IsDrained())
        return;
    m_nUnderruns.fetch_add(1, std::memory_order_relaxed);
    m_nMissingFrames.fetch_add(count - taken, std::memory_order_relaxed);
}

void FrameQueue::DropQueued() noexcept
{
    m_nRead.store(m_nWritten.load(std::memory_order_acquire), std::memory_order_release);
}

bool FrameQueue::IsDrained() const noexcept
{
    return m_bEnded.load(std::memory_order_acquire) &&
           m_nRead.load(std::memory_order_acquire) == m_nWritten.load(std::memory_order_acquire);
}

void FrameQueue::CopyIn(std::uint64_t position, const StereoFrame* frames, std::size_t count) noexcept
{
    if (count == 0)
        return;
    const std::size_t start = static_cast<std::size_t>(position % m_nCapacity);
    const std::size_t first = std::min(count, m_nCapacity - start);
    std::memcpy(&m_ring[start], frames, first * sizeof(StereoFrame));
    std::memcpy(&m_ring[0], frames + first, (count - first) * sizeof(StereoFrame));
}

void FrameQueue::CopyOut(std::uint64_t position, StereoFrame* frames, std::size_t count) const noexcept
{
    if (count == 0)
        return;
    const std::size_t start = static_cast<std::size_t>(position % m_nCapacity);
    const std::size_t first = std::min(count, m_nCapacity - start);
    std::memcpy(frames, &m_ring[start], first * sizeof(StereoFrame));
    std::memcpy(frames + first, &m_ring[0], (count - first) * sizeof(StereoFrame));
}

// A buffer that owns its elements, all zero when it is made; a failed
// allocation is an empty answer, never an exception.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <type_traits>
#include <utility>

#include "engine/base/buffer_allocator.h"
#include "engine/base/stereo_frame.h"

// For plain values only (frames, gains), whose zero bytes are zero values.
template <typename T>
class ZeroedBuffer {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_default_constructible_v<T>);

public:
    ZeroedBuffer() = default;

    // count zeroed elements from allocate, or nothing when they cannot be had.
    // An empty buffer still asks for one element, so that a null answer
    // always means a failure.
    static std::optional<ZeroedBuffer> Allocate(BufferAllocator allocate, std::uint64_t count)
    {
        const std::uint64_t elements = count == 0 ? 1 : count;
        if (elements > std::numeric_limits<std::size_t>::max() / sizeof(T))
            return std::nullopt;
        std::unique_ptr<std::byte[]> memory = allocate(static_cast<std::size_t>(elements) * sizeof(T));
        if (!memory)
            return std::nullopt;
        return ZeroedBuffer(std::move(memory), static_cast<std::size_t>(count));
    }

    T* data() { return reinterpret_cast<T*>(m_memory.get()); }
    const T* data() const { return reinterpret_cast<const T*>(m_memory.get()); }
    std::size_t size() const { return m_nCount; }
    T& operator[](std::size_t i) { return data()[i]; }
    const T& operator[](std::size_t i) const { return data()[i]; }
    std::span<T> Span() { return {data(), m_nCount}; }
    std::span<const T> Span() const { return {data(), m_nCount}; }

private:
    ZeroedBuffer(std::unique_ptr<std::byte[]> memory, std::size_t count)
        : m_memory(std::move(memory))
        , m_nCount(count)
    {
    }

    std::unique_ptr<std::byte[]> m_memory;
    std::size_t m_nCount = 0;
};

// The SourceBuffer and the OutputBuffer of a run.
using SoundBuffer = ZeroedBuffer<StereoFrame>;

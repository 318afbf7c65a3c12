// How a run obtains its sound buffers: zeroed memory, and a null pointer instead
// of an exception when there is not enough of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

// Same contract as calloc: count elements of size bytes, all zero, or null.
// Whatever it returns is released with std::free.
using BufferAllocator = void* (*)(std::size_t count, std::size_t size);

// The system's calloc.
void* SystemAllocate(std::size_t count, std::size_t size);

// count zeroed elements of T, or null when they cannot be had. An empty buffer
// still gets one element, so that null always means failure.
template <typename T>
T* AllocateZeroed(BufferAllocator allocate, std::uint64_t count)
{
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(T))
        return nullptr;
    const std::size_t elements = count == 0 ? 1 : static_cast<std::size_t>(count);
    return static_cast<T*>(allocate(elements, sizeof(T)));
}

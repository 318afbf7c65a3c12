// Where the engine's large buffers come from: zeroed memory, and nothing
// instead of an exception when there is not enough of it.
#pragma once

#include <cstddef>
#include <memory>

// bytes zeroed bytes, or null when they cannot be had; never throws. Tests
// put their own in place to see the engine's allocations and to fail one.
using BufferAllocator = std::unique_ptr<std::byte[]> (*)(std::size_t bytes);

// The system's free store.
std::unique_ptr<std::byte[]> SystemAllocate(std::size_t bytes);

#include "engine/base/buffer_allocator.h"

#include <new>

std::unique_ptr<std::byte[]> SystemAllocate(std::size_t bytes)
{
    return std::unique_ptr<std::byte[]>(new (std::nothrow) std::byte[bytes]());
}

#include "engine/buffer_allocation.h"

#include <cstdlib>

void* SystemAllocate(std::size_t count, std::size_t size)
{
    return std::calloc(count, size);
}

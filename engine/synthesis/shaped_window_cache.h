// The windows of grains whose shape or length is not the run's own (a track
// whose grain length or window changes over time): each made when a grain
// first needs it and let go once no grain waiting to be added uses it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/base/buffer_allocator.h"
#include "engine/scheduling/grain_event.h"
#include "engine/scheduling/window_shape.h"

class ShapedWindowCache {
public:
    void SetAllocator(BufferAllocator allocate) { m_allocate = allocate; }

    // The window of shape at frames frames, or null when its memory cannot
    // be had. Stays in place until Trim finds no grain using it.
    const ShapedWindow* Get(WindowShape shape, std::int32_t frames);
    // Lets go of the windows that none of pending uses, once more than a few
    // are held.
    void Trim(std::span<const GrainEvent> pending);
    void Clear() { m_windows.clear(); }
    std::size_t Count() const { return m_windows.size(); }

private:
    // A grain length that moves slowly needs a handful of windows at a time.
    static constexpr std::size_t kWindowsKept = 8;

    BufferAllocator m_allocate = SystemAllocate;
    std::vector<ShapedWindow> m_windows;
};

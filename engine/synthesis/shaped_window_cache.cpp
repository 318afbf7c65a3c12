#include "engine/synthesis/shaped_window_cache.h"

#include <algorithm>

const ShapedWindow* ShapedWindowCache::Get(WindowShape shape, std::int32_t frames)
{
    // The newest window first: grains of one stretch of a track share one.
    for (auto window = m_windows.rbegin(); window != m_windows.rend(); ++window) {
        if (window->Shape() == shape && window->Frames() == frames)
            return &*window;
    }
    std::optional<ShapedWindow> made = ShapedWindow::Make(shape, frames, m_allocate);
    if (!made)
        return nullptr;
    m_windows.push_back(std::move(*made));
    return &m_windows.back();
}

void ShapedWindowCache::Trim(std::span<const GrainEvent> pending)
{
    if (m_windows.size() <= kWindowsKept)
        return;
    std::erase_if(m_windows, [&](const ShapedWindow& window) {
        return std::none_of(pending.begin(), pending.end(),
                            [&](const GrainEvent& grain) { return grain.m_pWindow == window.Data(); });
    });
}

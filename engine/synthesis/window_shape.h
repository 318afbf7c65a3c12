// The grain envelopes a run can shape its grains with.
#pragma once

#include <optional>
#include <span>
#include <string_view>

enum class WindowShape { Hann, Tukey, Gaussian, Triangle, Decay, Swell };

const char* WindowShapeName(WindowShape shape);
std::optional<WindowShape> FindWindowShape(std::string_view name);
std::span<const WindowShape> AllWindowShapes();

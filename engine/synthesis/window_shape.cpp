#include "engine/synthesis/window_shape.h"

namespace {

constexpr WindowShape kShapes[] = {WindowShape::Hann,     WindowShape::Tukey, WindowShape::Gaussian,
                                   WindowShape::Triangle, WindowShape::Decay, WindowShape::Swell};

}  // namespace

const char* WindowShapeName(WindowShape shape)
{
    switch (shape) {
    case WindowShape::Hann: return "hann";
    case WindowShape::Tukey: return "tukey";
    case WindowShape::Gaussian: return "gaussian";
    case WindowShape::Triangle: return "triangle";
    case WindowShape::Decay: return "decay";
    case WindowShape::Swell: return "swell";
    }
    return "hann";
}

std::optional<WindowShape> FindWindowShape(std::string_view name)
{
    for (const WindowShape shape : kShapes) {
        if (name == WindowShapeName(shape))
            return shape;
    }
    return std::nullopt;
}

std::span<const WindowShape> AllWindowShapes()
{
    return kShapes;
}

#include "score_file/curve_names.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<Curve, const char*>, 3> kCurves = {{
    {Curve::Linear, "linear"},
    {Curve::Smooth, "smooth"},
    {Curve::Step, "step"},
}};

}  // namespace

const char* CurveName(Curve curve)
{
    for (const auto& [known, name] : kCurves) {
        if (known == curve)
            return name;
    }
    return "linear";
}

std::optional<Curve> FindCurve(std::string_view name)
{
    for (const auto& [curve, known] : kCurves) {
        if (name == known)
            return curve;
    }
    return std::nullopt;
}

std::vector<std::string> CurveNames()
{
    std::vector<std::string> names;
    for (const auto& [curve, name] : kCurves)
        names.emplace_back(name);
    return names;
}

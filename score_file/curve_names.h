// The names a score gives the curves of its keyframes: linear, smooth, step.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/score/score.h"

const char* CurveName(Curve curve);
std::optional<Curve> FindCurve(std::string_view name);
// Every name, in the order of Curve.
std::vector<std::string> CurveNames();

#include "engine/finishing/evening/slope_limits.h"

#include <algorithm>

namespace {

// The point before point n of a pass, counting n from the pass's start: on a
// circle a pass goes round twice, so that a low value can reach every point
// through the seam in either direction.
std::size_t PassIndex(std::size_t n, std::size_t count, bool forwards)
{
    const std::size_t k = n % count;
    return forwards ? k : count - 1 - k;
}

// Each point is held to no more than the point before it (in the pass's
// direction) plus step.
void RelaxPass(std::span<float> values, float step, CurveEnds ends, bool forwards)
{
    const std::size_t count = values.size();
    const std::size_t laps = ends == CurveEnds::Circular ? 2 : 1;
    for (std::size_t n = 1; n < laps * count; ++n) {
        const float reach = values[PassIndex(n - 1, count, forwards)] + step;
        float& value = values[PassIndex(n, count, forwards)];
        value = std::min(value, reach);
    }
}

// Calls visit(index) for each point within radius of point k: clipped at
// the ends of an open curve, around the seam of a circular one.
template <typename Visit>
void ForEachNeighbour(std::size_t k, std::size_t radius, std::size_t count, CurveEnds ends, Visit visit)
{
    if (ends == CurveEnds::Circular) {
        const std::size_t width = std::min(2 * radius + 1, count);
        const std::size_t start = (k + count - radius % count) % count;
        for (std::size_t n = 0; n < width; ++n)
            visit((start + n) % count);
        return;
    }
    const std::size_t from = k >= radius ? k - radius : 0;
    const std::size_t to = std::min(count - 1, k + radius);
    for (std::size_t j = from; j <= to; ++j)
        visit(j);
}

}  // namespace

// A forward pass gives each point the least of values[j] + step × (k − j)
// over the points j before it; the backward pass after it adds the points
// after it: together, the least over all j of the distance-weighted value.
void LimitSlopeFromBelow(std::span<float> values, float step, CurveEnds ends)
{
    if (values.size() < 2)
        return;
    RelaxPass(values, step, ends, true);
    RelaxPass(values, step, ends, false);
}

// Negation is exact, so the mirror image has the same arithmetic.
void LimitSlopeFromAbove(std::span<float> values, float step, CurveEnds ends)
{
    for (float& value : values)
        value = -value;
    LimitSlopeFromBelow(values, step, ends);
    for (float& value : values)
        value = -value;
}

void RoundCorners(std::span<float> values, std::span<float> scratch, std::size_t radius, CurveEnds ends)
{
    const std::size_t count = values.size();
    for (std::size_t k = 0; k < count; ++k) {
        float least = values[k];
        ForEachNeighbour(k, radius, count, ends, [&](std::size_t j) { least = std::min(least, values[j]); });
        scratch[k] = least;
    }
    for (std::size_t k = 0; k < count; ++k) {
        double sum = 0.0;
        std::size_t used = 0;
        ForEachNeighbour(k, radius, count, ends, [&](std::size_t j) {
            sum += scratch[j];
            ++used;
        });
        values[k] = static_cast<float>(sum / static_cast<double>(used));
    }
}

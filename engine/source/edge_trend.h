// The slow trend of a sound where a filter pass begins: the cubic that best
// fits its first frames, which the pass takes as the sound's past.
#pragma once

#include <array>
#include <cstddef>

// A cubic in the frame index n (n = 0 at the first frame fitted, negative
// before it), held as p(n) = c0 + c1 u + c2 u² + c3 u³ with u = −1 + h × n,
// so that the fitted frames lie on u in [−1, 1] and the fit is well
// conditioned whatever their number.
class EdgeTrend {
public:
    EdgeTrend(std::array<double, 4> coefficients, double step);

    // p(n).
    double At(double n) const;
    // p(n) − 2 p(n − 1) + p(n − 2), from the coefficients rather than by
    // subtracting values, so nothing cancels: 2 c2 h² + 6 c3 h² (u − h).
    double SecondDifference(double n) const;
    // How much the second difference grows from one frame to the next (it is
    // a line): 6 c3 h³.
    double SecondDifferenceSlope() const;

private:
    double U(double n) const { return -1.0 + m_dStep * n; }

    std::array<double, 4> m_coefficients;
    double m_dStep;
};

// Weighted least squares over count frames given one at a time, in order: a
// cubic when there are at least 4 frames, else the polynomial through all of
// them (a constant for a single frame). Frame n weighs sin²(π (n + 1) /
// (count + 1)), a Hann window that never quite reaches 0: a sound's content
// above the trend, which the frames cut off abruptly at both ends of the fit,
// leaks into it far less than with equal weights. The sums are formed in
// 64-bit floating point in the order the frames come, so the result is the
// same on every run.
class EdgeTrendFit {
public:
    static constexpr int kDegree = 3;

    explicit EdgeTrendFit(std::size_t count);

    // The next frame's value; at most count of them.
    void Add(double value);
    // The best fit to the frames added (count of them, or the constant 0
    // when there were none).
    EdgeTrend Result() const;

private:
    int Degree() const;

    std::size_t m_nCount;
    std::size_t m_nAdded = 0;
    double m_dStep;
    double Weight(std::size_t n) const;

    // Σ w u^k for k = 0 .. 2 × kDegree, and Σ w value u^k for k = 0 .. kDegree.
    std::array<double, 2 * kDegree + 1> m_powerSums{};
    std::array<double, kDegree + 1> m_valueSums{};
};

// One value's line through a layer's keyframes: where it stands at any time,
// given the curve by which each keyframe is reached.
#pragma once

#include <algorithm>
#include <vector>

#include "engine/score/score.h"

// How far along a curve a value is at fraction u of the way between two
// keyframes (0 ≤ u < 1): 0 at u = 0, approaching 1 as u approaches 1.
double CurveProgress(Curve curve, double u);

// A value that starts at 0:00 and moves to each point added after it. Between
// two points it follows the later point's curve; it holds before the first and
// after the last. Of several points at one time the last added holds from that
// time on. A line with one end at -infinity (a silent gain) is a fade: it
// moves the gain as a factor, 10^(dB/20), between the other end's factor and
// 0 along its curve, as the track's own fades do, so a straight line from 0 dB
// to silence is at -6 dB halfway; the point itself and any hold at it stay
// -infinity.
class KeyframeLine {
public:
    explicit KeyframeLine(double startValue);

    // seconds is at or after the last point's time. A point at 0:00 replaces
    // the starting value.
    void Add(double seconds, double value, Curve curve);

    double At(double seconds) const;
    // The value just before seconds: At's limit from the left, which differs
    // from At(seconds) only at a jump.
    double Before(double seconds) const;
    // The times at which the value changes at once (a point reached by a
    // step, or a second point at one time), each once, in order.
    std::vector<double> JumpTimes() const;
    // The time of the next point after seconds (infinity after the last):
    // up to there the line moves one way only, or holds.
    double MonotoneUntil(double seconds) const;
    // The same value everywhere, and it is value.
    bool HoldsOnly(double value) const;
    // No line between points leaves the range of its ends, so these bound At.
    double Lowest() const;
    double Highest() const;
    // Calls visit with values that bound At from seconds from up to, not
    // including, seconds to (from < to; at from alone when they are equal):
    // the value at from, those of the points between, and the value the
    // line nears at to.
    template <class Visit>
    void VisitValuesBetween(double from, double to, Visit visit) const;
    // Every value the points give, in time order.
    std::vector<double> PointValues() const;

private:
    struct Point {
        double m_dSeconds;
        double m_dValue;
        Curve m_curve;  // how the value is reached from the point before
    };

    static double Between(const Point& from, const Point& to, double seconds);

    std::vector<Point> m_points;  // in time order, the first at 0:00
};

template <class Visit>
void KeyframeLine::VisitValuesBetween(double from, double to, Visit visit) const
{
    visit(At(from));
    // Between two points a line stays between the value of the first and
    // the value it nears at the second: that point's, or for a step the
    // first's.
    auto point = std::lower_bound(m_points.begin(), m_points.end(), from,
                                  [](const Point& each, double time) { return each.m_dSeconds < time; });
    for (; point != m_points.end() && point->m_dSeconds < to; ++point)
        visit(point->m_dValue);
    if (point == m_points.end() || point->m_dSeconds > to)
        visit(At(to));
    else if (point->m_curve != Curve::Step)
        visit(point->m_dValue);
}

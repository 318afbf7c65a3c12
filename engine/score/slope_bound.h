// How fast a value of the track can move for a while: what a stretch of
// steady settings is found from.
#pragma once

#include <cmath>

// From the time asked about up to m_dUntil (not included), the value rises
// by at most m_dRise and falls by at most m_dFall per second. m_dUntil at the
// time asked about itself: nothing can be said.
struct SlopeBound {
    double m_dUntil = INFINITY;
    double m_dRise = 0.0;
    double m_dFall = 0.0;
};

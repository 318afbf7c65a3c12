// A keyframe that moves a layer's gain alone, along a smooth curve.
#pragma once

#include "engine/score/score.h"

inline Keyframe GainAt(double seconds, double db)
{
    Keyframe keyframe;
    keyframe.m_dSeconds = seconds;
    keyframe.m_curve = Curve::Smooth;
    keyframe.m_gainDb = db;
    return keyframe;
}

// A gain for each grain from what it reads: the level of the stretch of
// source, held where it arises (see GrainLevelHold).
#pragma once

class GrainLevelGain {
public:
    virtual ~GrainLevelGain() = default;
    // The gain of a grain that reads source frames [first, first + frames):
    // exactly 1 for a grain that keeps its level.
    virtual double GainOf(double first, double frames) const = 0;
};

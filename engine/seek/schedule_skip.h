// The fast way past the grains of a render nobody hears: the schedule moved
// to where it would stand after deciding them, without deciding them one by
// one.
#pragma once

#include <cstdint>

class CancelPoll;
class GrainScheduler;

// Moves scheduler past every grain not yet decided that starts before frame
// limit (and inside its output), leaving it exactly where SkipNext, grain
// after grain, would have left it. Answers false when poll says to stop; the
// scheduler is then at some grain on the way, its candidates unknown, and
// must begin again before it decides anything.
//
// Only the walk and the clock move over skipped grains, and neither a
// candidate's value nor anything else of a grain changes what the generator
// draws. Each candidate is moved to a fresh place at least once a segment, so
// its value at the end only depends on the grains since its last fresh draw:
// a first pass hops the generator over whole runs of grains (each draws three
// numbers) and stops at the fresh draws, and a second pass walks the grains
// from the earlier of the two last fresh draws. With a settings source, the
// grains go by stretches whose walk settings the source vouches for.
bool SkipScheduleBefore(GrainScheduler& scheduler, std::uint64_t limit, CancelPoll& poll);

// The longest grain scheduler's settings allow, and the latest a grain may
// start after its place on the clock: no grain reaches further from its place.
std::uint64_t GrainReach(const GrainScheduler& scheduler);
// Moves scheduler past every grain that ends before frame (those that start
// a reach or more before it): what a render that begins at frame need not
// place. As SkipScheduleBefore.
bool SkipScheduleEndingBefore(GrainScheduler& scheduler, std::uint64_t frame, CancelPoll& poll);

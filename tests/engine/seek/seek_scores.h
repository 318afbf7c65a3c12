// Scores and renders the seek tests share: a short score whose walk settings
// move along keyframes and drift, rendered whole or from any frame.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/score/score.h"
#include "engine/run/score_piece.h"
#include "engine/base/stereo_frame.h"

inline constexpr std::uint32_t kSeekTestSeed = 4321;

// Two tones and a slow wobble, seconds long, read as the source "tones".
std::vector<StereoFrame> Tones(double seconds);

// Two layers reading "tones": one whose density, scanning range and segment
// move along straight, stepped and smooth lines and drift, each grain placed
// in the stereo field and delayed off the grain clock by its own draws; one
// plain.
Score MovingScore(bool loop, std::int32_t lengthSeconds = 30);

// Two layers reading "tones": one on a journey, its position moving along a
// line from the start of the source to its end over the track, within a
// narrow spread that drifts and widens at a step; one held at a place.
Score JourneyScore(std::int32_t lengthSeconds = 30);

// The piece of score for an excerpt of frames frames from track frame first
// (frames 0: the whole track).
std::unique_ptr<ScorePiece> MakePiece(const Score& score, std::span<const StereoFrame> tones, std::uint64_t first = 0,
                                      std::uint64_t frames = 0);

// frames of the piece's synthesis from its start, in windows as the pipeline
// asks for them; twice over when again (a render synthesised again), the
// second kept.
std::vector<StereoFrame> Synthesise(ScorePiece& piece, std::uint64_t frames, bool again = false);

// How many of count frames differ between a and b from their starts.
std::size_t DifferingFrames(std::span<const StereoFrame> a, std::span<const StereoFrame> b, std::size_t count);

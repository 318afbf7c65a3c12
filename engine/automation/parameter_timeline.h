// The automation of one layer of a score: every parameter's value and the
// layer's gain at any time of the track, from the layer's keyframes and drift.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/parameters/parameter_values.h"
#include "engine/automation/moving_number.h"
#include "engine/score/score.h"

struct LayerValues {
    // Every parameter of the table: numbers in their units, the window as its
    // choice index, the pitch set.
    ParameterValues m_values;
    double m_dGainDb = 0.0;  // the layer's gain in the mix; -infinity: silent
};

// Each number parameter moves along its own line in its own unit (semitones,
// dB, grains per second, milliseconds) and drifts around it; whole-number
// parameters are rounded to their step after both. The window and the pitch
// set change at their keyframes' times whatever the curve.
class ParameterTimeline {
public:
    static constexpr double kGainJumpSeconds = 0.01;

    // lengthSeconds: the track's length (> 0); seed: the run's seed;
    // layerIndex: the layer's index in the score (drift of different layers
    // differs); loop: the track is a seamless loop.
    ParameterTimeline(const ScoreLayer& layer, double lengthSeconds, std::uint32_t seed, int layerIndex, bool loop);

    // No keyframe changes any value or the gain, and nothing drifts: the
    // layer's own values and gain hold throughout.
    bool IsConstant() const;
    // The gain changes somewhere (a keyframe gives it another value, or it
    // drifts).
    bool GainMoves() const { return !m_gain.HoldsOnly(m_gain.At(0.0)); }
    // Every value at time seconds from the track's start. Before 0 the values
    // at 0, after the length those at the length.
    LayerValues At(double seconds) const;
    // The same into values, reusing their pitch set's memory: no allocation
    // once the largest pitch set has been held.
    void At(double seconds, LayerValues& values) const;
    // One number parameter's value alone, as At gives it.
    double NumberAt(ParameterId id, double seconds) const;
    // The time up to which (not included) NumberAt answers what it answers
    // at seconds, as far as the number's slopes vouch for it (seconds itself
    // where they cannot; infinity when it holds to the end).
    double NumberSteadyUntil(ParameterId id, double seconds) const;
    // The gain alone as a factor: 10^(dB/20), exactly 0 for -infinity,
    // exactly 1 for 0 dB; but for kGainJumpSeconds after a jump of the gain
    // (a step, or two keyframes at one time), where the factor moves from
    // the one before the jump to the line's along an S-shaped curve, so that
    // the jump reaches the sound without a click.
    double GainAt(double seconds) const;
    // The gain in dB alone, jumps as they stand.
    double GainDbAt(double seconds) const;
    // Over the whole track (keyframes, the layer's value, drift's full depth,
    // all kept to the range): number parameters (whole and real kinds).
    ValueBounds BoundsOf(ParameterId id) const;
    // The same for the gain, in dB (-infinity where it can be silent).
    ValueBounds GainBoundsDb() const;
    // Every pitch set the track uses (the layer's and each keyframe's), each
    // once.
    std::vector<std::vector<double>> PitchSets() const;
    // Every window shape index the track uses, each once.
    std::vector<int> WindowChoices() const;

    // The track's length in seconds.
    double LengthSeconds() const { return m_dLengthSeconds; }
    // The time of every keyframe of the layer, in order: where a line may
    // turn. Some may lie past the length.
    const std::vector<double>& KeyframeTimes() const { return m_keyframeTimes; }
    // BoundsOf from seconds from up to seconds to of the track alone (at
    // from alone when they are equal).
    ValueBounds BoundsBetween(ParameterId id, double from, double to) const;
    // The lowest and the highest interval of the pitch sets the layer uses
    // from seconds from up to seconds to, each set's lowest and highest, or
    // 0 for a set with none (its grains keep the pitch).
    ValueBounds IntervalBoundsBetween(double from, double to) const;

private:
    void AddLines(const ScoreLayer& layer, std::uint32_t seed, int layerIndex, bool loop);
    void AddPitchSets(const ScoreLayer& layer);
    bool FindConstant(const ScoreLayer& layer) const;
    double ClampedTime(double seconds) const;

    double m_dLengthSeconds;
    // A line for every parameter: numbers move and drift; the window's index
    // and the index of the pitch set in m_pitchSets only step.
    std::array<std::optional<MovingNumber>, kParameterCount> m_numbers;
    std::array<std::optional<KeyframeLine>, kParameterCount> m_steps;
    std::vector<std::vector<double>> m_pitchSets;
    std::vector<ValueBounds> m_pitchSetIntervals;  // each set's lowest and highest interval (0 and 0: none)
    std::vector<double> m_keyframeTimes;
    MovingNumber m_gain;
    std::vector<double> m_gainJumps;  // the times the gain's line jumps at
    bool m_bConstant = false;
};

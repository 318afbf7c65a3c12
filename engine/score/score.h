// A piece described by a score: one or more layers, each a source read by
// grains whose parameters move over the length of the track, mixed and then
// finished once. Plain data, as a score file gives it; the engine's
// automation turns it into values at any frame.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/parameters/parameter_id.h"
#include "engine/parameters/parameter_values.h"
#include "engine/score/effect_setting.h"

// How the values of a keyframe are reached from those before it.
enum class Curve {
    Linear,  // a straight line in the parameter's own unit
    Smooth,  // an S-shaped line, 3t² − 2t³: zero slope at both ends
    Step,    // the earlier value holds up to the keyframe, which then takes over at once
};

// What a layer's keyframes and drift can move besides the grain parameters:
// its gain in the mix, in dB.
inline constexpr const char* kGainKey = "gain";

// A layer's gain in the mix, in dB, besides -inf (silent).
inline constexpr double kQuietestGainDb = -120.0;
inline constexpr double kLoudestGainDb = 24.0;

// The values a keyframe gives, at its time. Only the parameters it names move
// towards it; a window shape and a pitch set change at the keyframe's time,
// whatever its curve.
struct Keyframe {
    double m_dSeconds = 0.0;  // from the start of the track
    Curve m_curve = Curve::Linear;
    std::map<ParameterId, double> m_values;
    std::optional<std::vector<double>> m_pitchSet;
    std::optional<double> m_gainDb;
    int m_nLine = 0;  // where the score gives it, for messages

    // The same keyframe, wherever the score gives it.
    bool operator==(const Keyframe& other) const;
};

// Slow seeded random movement around the current value: at most depth (in
// the parameter's unit) either way, changing direction about once a period,
// and kept inside the parameter's range.
struct Drift {
    double m_dDepth = 0.0;
    double m_dPeriodSeconds = 0.0;

    bool operator==(const Drift&) const = default;
};

// What a layer's source was when the score was stored with an output, so that
// a later render can tell a changed source before it renders.
struct SourceFacts {
    double m_dSeconds = 0.0;        // its length
    std::uint64_t m_nHash = 0;      // FNV-1a 64 over the file's bytes
    bool operator==(const SourceFacts&) const = default;
};

struct ScoreLayer {
    std::string m_strSource;      // as the score names it
    std::string m_strSourcePath;  // found from the score's folder
    std::optional<double> m_sourceStartSeconds;  // read only this stretch of the source
    std::optional<double> m_sourceEndSeconds;
    std::optional<SourceFacts> m_storedSource;  // given by a score stored with an output
    double m_dGainDb = 0.0;  // -inf: silent
    // The layer's own values, defaults where it gives none. The volume and the
    // fade are the score's, and stay at their defaults here.
    ParameterValues m_values;
    std::vector<Keyframe> m_keyframes;  // in time order
    std::map<ParameterId, Drift> m_drift;
    std::optional<Drift> m_gainDrift;
    EffectChainSetting m_effects;  // run on the layer's sound, in order
    int m_nLine = 0;        // of its [[layer]], for messages
    int m_nSourceLine = 0;  // of its source, for messages about the source (0: the layer's)

    // The same layer, wherever the score gives it.
    bool operator==(const ScoreLayer& other) const;
};

struct Score {
    std::int32_t m_nLengthSeconds = 15;
    std::optional<std::uint32_t> m_seed;  // none: chosen at render time and stored with the output
    int m_nVolume = 50;                   // percent: the peak, or the ceiling with a loudness
    std::optional<double> m_loudness;     // LUFS
    int m_nFadeSeconds = 3;
    bool m_bLoop = false;
    std::optional<double> m_levelRange;   // LU: level evening
    std::vector<ScoreLayer> m_layers;
    EffectChainSetting m_effects;  // run on the mix, in order, before it is finished

    bool operator==(const Score&) const = default;
};

inline bool Keyframe::operator==(const Keyframe& other) const
{
    return m_dSeconds == other.m_dSeconds && m_curve == other.m_curve && m_values == other.m_values &&
           m_pitchSet == other.m_pitchSet && m_gainDb == other.m_gainDb;
}

inline bool ScoreLayer::operator==(const ScoreLayer& other) const
{
    return m_strSource == other.m_strSource && m_strSourcePath == other.m_strSourcePath &&
           m_sourceStartSeconds == other.m_sourceStartSeconds && m_sourceEndSeconds == other.m_sourceEndSeconds &&
           m_storedSource == other.m_storedSource && m_dGainDb == other.m_dGainDb && m_values == other.m_values &&
           m_keyframes == other.m_keyframes && m_drift == other.m_drift && m_gainDrift == other.m_gainDrift &&
           m_effects == other.m_effects;
}

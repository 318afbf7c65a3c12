#include "engine/seek/seek_fingerprint.h"

#include <cstring>

namespace {

// Bumped whenever what goes into the digest, or how, changes.
constexpr std::uint64_t kDigestVersion = 1;

// The walk's and the clock's parameters: what their lines and drift decide.
constexpr ParameterId kWalkParameters[] = {ParameterId::ScanRange, ParameterId::Segment, ParameterId::Density,
                                           ParameterId::Position, ParameterId::PositionSpread};

// FNV-1a over the bytes of each value in turn.
class Digest {
public:
    void Add(std::uint64_t value) { AddBytes(&value, sizeof value); }
    void Add(double value) { AddBytes(&value, sizeof value); }
    std::uint64_t Value() const { return m_nHash; }

private:
    void AddBytes(const void* data, std::size_t size)
    {
        unsigned char bytes[sizeof(std::uint64_t)];
        std::memcpy(bytes, data, size);
        for (std::size_t i = 0; i < size; ++i) {
            m_nHash ^= bytes[i];
            m_nHash *= 0x100000001B3ull;
        }
    }

    std::uint64_t m_nHash = 0xCBF29CE484222325ull;
};

// Where the layer's schedule reads and how far its grains reach, as its
// scheduler finds them.
void AddSchedule(Digest& digest, const LayerSchedulePlan& layer)
{
    digest.Add(static_cast<std::uint64_t>(layer.m_nSeed));
    digest.Add(layer.m_nSourceFrames);
    digest.Add(static_cast<std::uint64_t>(layer.m_pTimeline != nullptr));
    const GrainSettings& settings = layer.m_settings;
    for (const std::int32_t number : {settings.m_nGrainsPerSecond, settings.m_nGrainFrames, settings.m_nScanFrames,
                                      settings.m_nSegmentGrains})
        digest.Add(static_cast<std::uint64_t>(static_cast<std::int64_t>(number)));
    if (layer.m_pTimeline) {
        const GrainBounds bounds = BoundsOfTimeline(*layer.m_pTimeline);
        digest.Add(static_cast<std::uint64_t>(static_cast<std::int64_t>(bounds.m_nLongestGrainFrames)));
        digest.Add(GrainScheduler::LongestRead(bounds));
    } else {
        digest.Add(GrainScheduler::LongestRead(settings));
    }
}

// The lines and drift of the walk's parameters.
void AddWalkLines(Digest& digest, const ScoreLayer& layer)
{
    for (const ParameterId id : kWalkParameters) {
        digest.Add(static_cast<std::uint64_t>(IndexOf(id)));
        digest.Add(layer.m_values.Get(id));
        for (const Keyframe& keyframe : layer.m_keyframes) {
            const auto value = keyframe.m_values.find(id);
            if (value == keyframe.m_values.end())
                continue;
            digest.Add(keyframe.m_dSeconds);
            digest.Add(static_cast<std::uint64_t>(keyframe.m_curve));
            digest.Add(value->second);
        }
        const auto drift = layer.m_drift.find(id);
        if (drift != layer.m_drift.end()) {
            digest.Add(drift->second.m_dDepth);
            digest.Add(drift->second.m_dPeriodSeconds);
        }
        digest.Add(~std::uint64_t{0});  // the end of one parameter's line
    }
}

}  // namespace

SeekFingerprint FingerprintOf(const Score& score, std::uint32_t seed, const SeekPlan& plan)
{
    Digest digest;
    digest.Add(kDigestVersion);
    digest.Add(static_cast<std::uint64_t>(seed));
    digest.Add(static_cast<std::uint64_t>(static_cast<std::int64_t>(score.m_nLengthSeconds)));
    digest.Add(static_cast<std::uint64_t>(score.m_bLoop));
    digest.Add(plan.m_nWarmUpFrames);
    digest.Add(plan.m_nRenderFrames);
    digest.Add(static_cast<std::uint64_t>(plan.m_layers.size()));
    for (std::size_t i = 0; i < plan.m_layers.size() && i < score.m_layers.size(); ++i) {
        AddSchedule(digest, plan.m_layers[i]);
        AddWalkLines(digest, score.m_layers[i]);
    }
    return SeekFingerprint{digest.Value()};
}

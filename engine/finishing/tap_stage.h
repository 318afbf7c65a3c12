// A stage that only looks: each stretch of the sound, as the stages before it
// leave it, handed to an observer (a meter, a waveform, a spectrum) on its
// way to the sink. It changes nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <utility>

#include "engine/finishing/finishing_stage.h"
#include "engine/finishing/stretch_observer.h"

class TapStage final : public FinishingStage {
public:
    // Called with frames [first, first + stretch.size()) of the sound, in
    // order; the stretch is valid during the call only.
    using Observer = std::function<void(std::span<const StereoFrame> stretch, std::uint64_t first)>;

    explicit TapStage(Observer observer) : m_observer(std::move(observer)) {}
    // Hands each stretch to a meter or picture that watches a sound as it
    // is finished.
    explicit TapStage(StretchObserver& observer)
        : m_observer([&observer](std::span<const StereoFrame> stretch, std::uint64_t) {
            observer.OnStretch(stretch.data(), stretch.size());
        })
    {
    }

    void Apply(std::span<StereoFrame> piece, std::uint64_t first) override { m_observer(piece, first); }

private:
    Observer m_observer;
};

// The finishing of a delivered track: its DC offset taken off (unless the
// synthesis took it off already), its level evened if asked, its peak brought
// to the volume with the fades, and a last gain from a meter of the finished
// sound if asked (a peak at another rate, a loudness); besides, a look at how
// much of it lies below 20 Hz.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "engine/finishing/finishing_chain.h"
#include "engine/finishing/level_finishing.h"

class EveningStage;
class FinishedSoundMeter;
class LevelEvening;
class SubAudioStage;

struct DeliveryPlan {
    double m_dVolume = 0.0;
    std::int32_t m_nFadeFrames = 0;  // fade in and out; a loop has none
    std::uint64_t m_nFrames = 0;     // of the finished sound
    // An excerpt of a longer sound keeps that sound's fades: its first frame
    // is frame m_nFadeOffset of m_nWholeFrames (0: the sound is whole).
    std::uint64_t m_nFadeOffset = 0;
    std::uint64_t m_nWholeFrames = 0;
    bool m_bHeldWhole = false;  // the sound waits whole in memory and is finished in place
    LevelEvening* m_pEvening = nullptr;     // evens the level; may be null
    FinishedSoundMeter* m_pMeter = nullptr; // answers the last gain; may be null
    bool m_bMeasureSubAudio = false;
    // The sound's DC offset was taken off where it arose (a mix whose layers'
    // gains move): the chain has no mean removal, so that silences stay 0.
    bool m_bKeepMeans = false;
};

// In order: the sub-audio meter and the level survey (they only survey), the
// mean removal (unless the means are kept), the evening, the volume and fades, the meter's gain. Without evening and a meter
// the chain gives exactly the level finishing of the desktop program.
class DeliveryChain {
public:
    // The plan's evening and meter stay in place while the chain lives. A
    // sound held whole is finished in place without the survey evening needs:
    // the two together raise std::logic_error.
    explicit DeliveryChain(const DeliveryPlan& plan);
    ~DeliveryChain();
    DeliveryChain(const DeliveryChain&) = delete;
    DeliveryChain& operator=(const DeliveryChain&) = delete;

    FinishingChain& Chain() { return m_chain; }
    const LevelFinishing& Levels() const { return *m_pLevels; }

    // After a completed render that measured it: the share of the finished
    // sound's peak that its part below 20 Hz reaches (0 to about 1).
    std::optional<double> SubAudioShare() const;

private:
    std::unique_ptr<LevelFinishing> m_pLevels;
    SubAudioStage* m_pSubAudio = nullptr;
    FinishingChain m_chain;
};

// EBU R128 short-term loudness: the loudness of the last 3 seconds, as a
// loudness meter shows it while sound plays, measured by libebur128.
#pragma once

#include <cstddef>
#include <memory>

#include "engine/finishing/stretch_observer.h"

// K-weighted (ITU-R BS.1770), ungated, over a sliding 3 s window. Before 3 s
// of sound have gone by, the window holds silence before it. libebur128 keeps
// no history beyond the window in this mode, so memory stays fixed; all of it
// is allocated by the constructor (and by Reset, which starts anew).
//
// Not for two threads at once, like the other observers.
class ShortTermLoudness final : public StretchObserver {
public:
    ShortTermLoudness();
    ~ShortTermLoudness() override;
    ShortTermLoudness(const ShortTermLoudness&) = delete;
    ShortTermLoudness& operator=(const ShortTermLoudness&) = delete;

    void OnStretch(const StereoFrame* frames, std::size_t count) override;
    // Forgets the sound so far (playback moved elsewhere): the window holds
    // silence again. Allocates: call it from the owner's thread, not from a
    // sound device's callback.
    void Reset();

    // In LUFS; minus infinity for silence; NaN when libebur128 could not be
    // set up (the meter then shows nothing, and nothing else fails).
    double GetLoudness() const;

private:
    struct State;  // libebur128's, which has no name to declare ahead

    void Add(const float* interleaved, std::size_t frames);

    std::unique_ptr<State> m_pState;
};

// What watches a sound as it is finished, stretch by stretch: meters, a
// spectrogram, a waveform overview.
#pragma once

#include <cstddef>

#include "engine/base/stereo_frame.h"

// OnStretch is handed each finished stretch in order, on the thread that
// finished it, and should be quick and not allocate: it runs inside a render
// or a playback that is waiting for it. The frames are only valid during the
// call.
class StretchObserver {
public:
    virtual ~StretchObserver() = default;

    // count frames at 44100 Hz (full scale ±1.0), following the last stretch.
    virtual void OnStretch(const StereoFrame* frames, std::size_t count) = 0;
};

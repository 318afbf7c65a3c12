// Integrated loudness as ITU-R BS.1770-4 and EBU R128 define it (K-weighted,
// gated at -70 LUFS and 10 LU below the ungated level), measured by libebur128.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "engine/base/stereo_frame.h"

// The loudness of a sound handed over piece by piece, in order.
class LoudnessMeter {
public:
    explicit LoudnessMeter(int rate);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    void Add(std::span<const StereoFrame> frames);
    // In LUFS; minus infinity when nothing is above the absolute gate
    // (silence, or less than one 400 ms block); nothing when libebur128 could
    // not be set up or refused a piece.
    std::optional<double> Integrated() const;

private:
    struct State;  // libebur128's, which has no name to declare ahead
    std::unique_ptr<State> m_pState;
    bool m_bFailed = false;
    std::vector<float> m_interleaved;
};

// The loudness of stereo frames at rate, as LoudnessMeter measures it.
std::optional<double> MeasureIntegratedLoudness(std::span<const StereoFrame> frames, int rate);

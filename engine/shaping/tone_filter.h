// A layer's low cut and high cut: state-variable filters in the
// trapezoidal-integration form, whose cut-off may move from frame to frame
// without zipper noise or clicks (the form keeps its state meaningful under
// any change of coefficients), one or two second-order Butterworth stages
// per cut for 12 or 24 dB per octave.
#pragma once

#include <array>

// One second-order stage on two channels; the channels share coefficients.
class FilterStage {
public:
    enum class Kind { LowPass, HighPass };

    void Reset() { m_state = {}; }
    // g: tan(π × cut-off / rate); k: 1/Q. Filters left and right in place.
    void Process(Kind kind, double g, double k, double& left, double& right);

private:
    // The two integrators' states, per channel.
    std::array<double, 4> m_state{};
};

// A cut of 12 or 24 dB per octave: one or two stages.
class ToneCut {
public:
    ToneCut(FilterStage::Kind kind, int slopeDb);
    void Reset();
    // The frame through the cut at the given cut-off (in Hz at 44100 Hz).
    void Process(double g, double& left, double& right);
    // tan(π × hz / 44100), the stages' g, for a cut-off kept below 20 kHz.
    static double GainOf(double hz);

private:
    FilterStage::Kind m_kind;
    int m_nStages;
    std::array<FilterStage, 2> m_stages;
};

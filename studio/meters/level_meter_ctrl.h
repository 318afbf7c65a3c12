// A peak meter for both channels, with a held peak mark, and the short-term
// loudness beside it: what is heard, as it plays.
#pragma once

#include <wx/window.h>

#include <cmath>

namespace studio {

class LevelMeterCtrl : public wxWindow {
public:
    explicit LevelMeterCtrl(wxWindow* parent);

    // Linear amplitudes (1 is full scale) and the loudness in LUFS (minus
    // infinity for silence, NaN when unknown).
    void SetLevels(float left, float right, float heldLeft, float heldRight, bool over, double loudness);

    // A picture only: Tab passes it by.
    bool AcceptsFocusFromKeyboard() const override { return false; }

private:
    void OnPaint(wxPaintEvent& event);

    float m_fLevel[2] = {0.0f, 0.0f};
    float m_fHeld[2] = {0.0f, 0.0f};
    bool m_bOver = false;
    double m_dLoudness = -INFINITY;
};

}  // namespace studio

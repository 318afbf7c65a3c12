// The controls of the main window that its working parts use, looked up once,
// by their layout ids, in one place.
#pragma once

#include <array>

#include "ui/panel/slider_parameters.h"

class BitmapSlider;
class MinuteSecondPicker;
class wxChoice;
class wxStaticText;
class wxWindow;

struct MainWindowControls {
    std::array<BitmapSlider*, kSliderCount> m_sliders{};      // in the order of kSliderParameters
    std::array<wxStaticText*, kSliderCount> m_valueLabels{};  // the label beside each slider
    MinuteSecondPicker* m_pLengthPicker = nullptr;
    wxChoice* m_pPresetList = nullptr;
    wxStaticText* m_pRequiredDisk = nullptr;
    wxStaticText* m_pAvailableDisk = nullptr;
    wxStaticText* m_pRequiredMemory = nullptr;
    wxStaticText* m_pInputName = nullptr;
    wxStaticText* m_pOutputName = nullptr;
    wxStaticText* m_pInputTimeLine = nullptr;    // the upper line: length and size
    wxStaticText* m_pInputFormatLine = nullptr;  // the lower line: format

    // Every control was found.
    bool IsComplete() const;
};

// The controls of window, found by id; a control that is missing, or of
// another kind, stays null.
MainWindowControls FindMainWindowControls(const wxWindow& window);

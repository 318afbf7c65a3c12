#include "ui/panel/main_window_controls.h"

#include "ui/controls/bitmap_slider.h"
#include "ui/dialog_template/main_window_ids.h"
#include "ui/panel/minute_second_picker.h"
#include "ui/panel/slider_parameters.h"

#include <wx/choice.h>
#include <wx/stattext.h>

#include <algorithm>

namespace {

wxStaticText* FindText(const wxWindow& window, int id)
{
    return wxDynamicCast(window.FindWindow(id), wxStaticText);
}

}  // namespace

bool MainWindowControls::IsComplete() const
{
    const auto found = [](const auto* control) { return control != nullptr; };
    return std::all_of(m_sliders.begin(), m_sliders.end(), found) &&
           std::all_of(m_valueLabels.begin(), m_valueLabels.end(), found) && m_pLengthPicker && m_pPresetList &&
           m_pRequiredDisk && m_pAvailableDisk && m_pRequiredMemory && m_pInputName && m_pOutputName &&
           m_pInputTimeLine && m_pInputFormatLine;
}

MainWindowControls FindMainWindowControls(const wxWindow& window)
{
    MainWindowControls controls;
    for (std::size_t i = 0; i < kSliderParameters.size(); ++i) {
        controls.m_sliders[i] = dynamic_cast<BitmapSlider*>(window.FindWindow(kSliderParameters[i].m_nSliderId));
        controls.m_valueLabels[i] = FindText(window, kSliderParameters[i].m_nLabelId);
    }
    controls.m_pLengthPicker = dynamic_cast<MinuteSecondPicker*>(window.FindWindow(IDC_LENGTH_PICKER));
    controls.m_pPresetList = wxDynamicCast(window.FindWindow(IDC_LENGTH_PRESETS), wxChoice);
    controls.m_pRequiredDisk = FindText(window, IDC_REQUIRED_DISK);
    controls.m_pAvailableDisk = FindText(window, IDC_AVAILABLE_DISK);
    controls.m_pRequiredMemory = FindText(window, IDC_REQUIRED_MEMORY);
    controls.m_pInputName = FindText(window, IDC_INPUT_NAME);
    controls.m_pOutputName = FindText(window, IDC_OUTPUT_NAME);
    controls.m_pInputTimeLine = FindText(window, IDC_INPUT_TIME_LINE);
    controls.m_pInputFormatLine = FindText(window, IDC_INPUT_FORMAT_LINE);
    return controls;
}

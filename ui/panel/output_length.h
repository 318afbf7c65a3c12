// The output length: the "mm:ss" picker and the drop-down list of length
// presets beside it, kept in step.
#pragma once

#include <functional>

#include "ui/panel/length_presets.h"

class MinuteSecondPicker;
class wxChoice;
class wxCommandEvent;
struct MainWindowControls;

// Choosing a preset sets the picker and leaves the preset selected, then
// reports the new length. A change the user makes on the picker reports the
// new length, then clears the list's selection (the length need no longer
// match a preset). Setting either from code reports nothing.
class OutputLength {
public:
    // Called after every change of the length by the user (through either control).
    using LengthChanged = std::function<void()>;

    OutputLength() = default;
    OutputLength(const OutputLength&) = delete;
    OutputLength& operator=(const OutputLength&) = delete;

    // Takes the picker and the preset list and listens to the user's changes
    // of both; false if one is missing.
    bool Attach(const MainWindowControls& controls, LengthChanged lengthChanged);

    // The picker back to 00:15.
    void RestorePicker();
    // The list emptied, the six presets added in order, the first selected.
    void RestorePresets();

    // The picker's minutes × 60 + seconds: 0 to 3599.
    int GetDurationSeconds() const;

    MinuteSecondPicker* GetPicker() const { return m_pPicker; }
    wxChoice* GetPresetList() const { return m_pPresets; }

private:
    // The user chose an entry of the list.
    void OnPresetChosen(wxCommandEvent& event);
    // The user changed the picker.
    void OnPickerChanged(wxCommandEvent& event);

    MinuteSecondPicker* m_pPicker = nullptr;
    wxChoice* m_pPresets = nullptr;
    LengthChanged m_lengthChanged;
};

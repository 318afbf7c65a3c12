// The layout of the main window: its size in dialog units, its controls in
// creation order, the keyboard's order and shortcuts. The eight command
// buttons are placed in pixels (command_button_places.h).
#pragma once

#include "ui/dialog_template/main_window_ids.h"
#include "ui/dialog_template/template_control.h"

#include <wx/defs.h>

#include <array>

constexpr int kMainWindowWidthUnits = 396;
constexpr int kMainWindowHeightUnits = 244;

namespace main_window_detail {
constexpr long kValueLabel = wxALIGN_RIGHT;
constexpr long kFigure = wxALIGN_LEFT;
constexpr long kFileName = static_cast<long>(wxALIGN_LEFT) | static_cast<long>(wxBORDER_SUNKEN);
constexpr long kInfoLine = wxALIGN_CENTRE_HORIZONTAL;
}  // namespace main_window_detail

// The order in which Tab goes round the controls that take the focus: the
// input file's button and the left panel's sliders, the output file's button
// and the right panel's controls, then the command bar from left to right.
constexpr std::array<int, 16> kTabOrder = {
    IDC_INPUT_FILE, IDC_SCAN_RANGE,    IDC_SEGMENT,        IDC_DENSITY, IDC_GRAIN_LENGTH, IDC_OUTPUT_FILE,
    IDC_LENGTH_PICKER, IDC_LENGTH_PRESETS, IDC_VOLUME, IDC_FADE,   IDC_GENERATE,     IDC_PLAY,
    IDC_RESTORE,    IDC_USER_GUIDE,    IDC_ABOUT,          IDC_WEB_SITE,
};

// Keys that press a command button from anywhere in the window (the buttons'
// words carry no underlined letters: the shortcuts are the words' initials).
struct CommandShortcut {
    int m_nModifiers;  // wxMOD_* flags held with the key
    int m_nKeyCode;
    int m_nButtonId;
};
constexpr std::array<CommandShortcut, 4> kCommandShortcuts = {{
    {wxMOD_ALT, 'S', IDC_GENERATE},
    {wxMOD_ALT, 'P', IDC_PLAY},
    {wxMOD_ALT, 'G', IDC_USER_GUIDE},
    {wxMOD_NONE, WXK_F1, IDC_USER_GUIDE},
}};

// Where a text may spread when the desktop's font is too wide for its
// rectangle even at the smallest legible size (text_fitting.h): plain panel
// beside it, up to a few pixels from the caption before it or the edge of its
// box. Client pixels; the artwork tool checks the background is plain there.
struct TextRoom {
    int m_nId;
    int m_nLeft;
    int m_nTop;
    int m_nWidth;
    int m_nHeight;
};
constexpr std::array<TextRoom, 12> kTextRooms = {{
    {IDC_SCAN_RANGE_VALUE, 141, 185, 59, 18},
    {IDC_SEGMENT_VALUE, 163, 215, 37, 18},
    {IDC_DENSITY_VALUE, 161, 257, 39, 18},
    {IDC_GRAIN_LENGTH_VALUE, 158, 288, 42, 18},
    {IDC_VOLUME_VALUE, 390, 120, 98, 18},
    {IDC_FADE_VALUE, 441, 150, 47, 18},
    {IDC_LENGTH_PRESETS, 451, 80, 121, 21},
    {IDC_REQUIRED_DISK, 454, 224, 94, 18},
    {IDC_AVAILABLE_DISK, 454, 247, 94, 18},
    {IDC_REQUIRED_MEMORY, 454, 270, 94, 18},
    {IDC_INPUT_TIME_LINE, 44, 101, 216, 18},
    {IDC_INPUT_FORMAT_LINE, 44, 130, 216, 18},
}};

constexpr std::array<TemplateControl, 21> kMainWindowControls = {{
    {IDC_SCAN_RANGE, ControlKind::Slider, {134, 111, 47, 14}, "Slider1", 0},
    {IDC_SEGMENT, ControlKind::Slider, {134, 129, 47, 14}, "Slider1", 0},
    {IDC_DENSITY, ControlKind::Slider, {134, 155, 47, 14}, "Slider1", 0},
    {IDC_GRAIN_LENGTH, ControlKind::Slider, {134, 174, 47, 14}, "Slider1", 0},
    {IDC_VOLUME, ControlKind::Slider, {327, 71, 47, 14}, "Slider1", 0},
    {IDC_FADE, ControlKind::Slider, {327, 89, 47, 14}, "Slider1", 0},
    {IDC_SCAN_RANGE_VALUE, ControlKind::Static, {119, 114, 14, 11}, "100", main_window_detail::kValueLabel},
    {IDC_SEGMENT_VALUE, ControlKind::Static, {119, 132, 14, 11}, "100", main_window_detail::kValueLabel},
    {IDC_DENSITY_VALUE, ControlKind::Static, {114, 158, 19, 11}, "100", main_window_detail::kValueLabel},
    {IDC_GRAIN_LENGTH_VALUE, ControlKind::Static, {114, 177, 19, 11}, "100", main_window_detail::kValueLabel},
    {IDC_VOLUME_VALUE, ControlKind::Static, {311, 74, 14, 11}, "100", main_window_detail::kValueLabel},
    {IDC_FADE_VALUE, ControlKind::Static, {311, 92, 14, 11}, "100", main_window_detail::kValueLabel},
    {IDC_LENGTH_PICKER, ControlKind::TimePicker, {261, 49, 38, 13}, "", 0},
    {IDC_LENGTH_PRESETS, ControlKind::DropDownList, {302, 49, 67, 88}, "", 0},
    {IDC_REQUIRED_DISK, ControlKind::Static, {327, 138, 32, 11}, "0 GB", main_window_detail::kFigure},
    {IDC_AVAILABLE_DISK, ControlKind::Static, {327, 152, 32, 11}, "0 GB", main_window_detail::kFigure},
    {IDC_REQUIRED_MEMORY, ControlKind::Static, {327, 166, 32, 11}, "0 MB", main_window_detail::kFigure},
    {IDC_INPUT_NAME, ControlKind::Static, {68, 25, 84, 12}, "", main_window_detail::kFileName},
    {IDC_OUTPUT_NAME, ControlKind::Static, {261, 25, 84, 12}, "", main_window_detail::kFileName},
    {IDC_INPUT_FORMAT_LINE, ControlKind::Static, {44, 80, 116, 11}, "File info 1", main_window_detail::kInfoLine},
    {IDC_INPUT_TIME_LINE, ControlKind::Static, {44, 62, 116, 11}, "File info 2", main_window_detail::kInfoLine},
}};

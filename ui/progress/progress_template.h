// The layout of the progress window: caption, size in dialog units and its
// controls in creation order.
#pragma once

#include "ui/dialog_template/template_control.h"

#include <wx/defs.h>

#include <array>

constexpr int IDC_LOADING_LABEL = 1019;
constexpr int IDC_LOADING_PERCENT = 1028;
constexpr int IDC_LOADING_BAR = 1002;
constexpr int IDC_GENERATING_LABEL = 1020;
constexpr int IDC_GENERATING_PERCENT = 1029;
constexpr int IDC_GENERATING_BAR = 1003;
constexpr int IDC_WRITING_LABEL = 1023;
constexpr int IDC_WRITING_PERCENT = 1030;
constexpr int IDC_WRITING_BAR = 1006;
constexpr int IDC_WRITTEN_LABEL = 1031;
constexpr int IDC_WRITTEN_SIZE = 1032;
constexpr int IDC_TIME_LEFT_LABEL = 1033;
constexpr int IDC_TIME_LEFT = 1034;
// The Cancel button carries the toolkit's cancel identifier.
constexpr int IDC_PROGRESS_CANCEL = wxID_CANCEL;

constexpr const char* kProgressCaption = "Generating Ambient Sound";
constexpr int kProgressWidthUnits = 270;
constexpr int kProgressHeightUnits = 169;

constexpr std::array<TemplateControl, 14> kProgressControls = {{
    {IDC_LOADING_LABEL, ControlKind::Static, {12, 12, 61, 12}, "Loading sound file", wxALIGN_LEFT},
    {IDC_LOADING_PERCENT, ControlKind::Static, {80, 12, 21, 12}, "xx%", wxALIGN_LEFT},
    {IDC_LOADING_BAR, ControlKind::ProgressBar, {108, 12, 147, 11}, "", 0},
    {IDC_GENERATING_LABEL, ControlKind::Static, {12, 37, 61, 12}, "Generating sound", wxALIGN_LEFT},
    {IDC_GENERATING_PERCENT, ControlKind::Static, {80, 37, 21, 12}, "xx%", wxALIGN_LEFT},
    {IDC_GENERATING_BAR, ControlKind::ProgressBar, {108, 36, 147, 11}, "", 0},
    {IDC_WRITING_LABEL, ControlKind::Static, {12, 63, 61, 12}, "Writing sound file", wxALIGN_LEFT},
    {IDC_WRITING_PERCENT, ControlKind::Static, {80, 63, 21, 12}, "xx%", wxALIGN_LEFT},
    {IDC_WRITING_BAR, ControlKind::ProgressBar, {108, 61, 147, 11}, "", 0},
    {IDC_WRITTEN_LABEL, ControlKind::Static, {12, 90, 61, 12}, "Written so far", wxALIGN_LEFT},
    {IDC_WRITTEN_SIZE, ControlKind::Static, {80, 90, 85, 12}, "0 MB", wxALIGN_LEFT},
    {IDC_TIME_LEFT_LABEL, ControlKind::Static, {12, 116, 61, 12}, "Estimated time left", wxALIGN_LEFT},
    {IDC_TIME_LEFT, ControlKind::Static, {80, 116, 35, 12}, "hh:mm:ss", wxALIGN_LEFT},
    {IDC_PROGRESS_CANCEL, ControlKind::PushButton, {110, 142, 50, 14}, "Cancel", 0},
}};

// One control of a dialog layout: what it is, where it stands in dialog
// units and the text it starts with.
#pragma once

#include "ui/dialog_template/dialog_units.h"

enum class ControlKind {
    Static,        // text; alignment and edge in m_nStyle
    Slider,        // horizontal trackbar
    ProgressBar,   // bar of 0 to 100
    PushButton,
    TimePicker,    // "mm:ss" length picker
    DropDownList,  // list that opens below a closed field; height = open list
};

struct TemplateControl {
    int m_nId;
    ControlKind m_kind;
    DialogUnitRect m_rect;
    const char* m_pszText;
    long m_nStyle;  // wx style flags added to the kind's own
};

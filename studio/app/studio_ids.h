// The studio's menu commands, which toolbar buttons and keys share.
#pragma once

#include <wx/defs.h>

namespace studio {

enum StudioId {
    kIdNewFromSound = wxID_HIGHEST + 1,
    kIdRender,
    kIdPlayPause,
    kIdStop,
    kIdLoop,
    kIdGoToStart,
    kIdFollow,
    kIdZoomIn,
    kIdZoomOut,
    kIdShowAll,
    kIdAddLayer,
    kIdRemoveLayer,
    kIdAddLane,
    kIdLaneDrift,
    kIdAddKeyframe,
    kIdDeleteKeyframe,
    kIdKeyframeValue,
    kIdCurveLinear,
    kIdCurveSmooth,
    kIdCurveStep,
    kIdFocusTimeline,
    kIdFocusInspector,
    kIdSoundDevice,
    kIdGuide,
};

}  // namespace studio

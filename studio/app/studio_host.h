// What the studio's views ask of the window that holds the document: the
// document to show, a way to change it (through the undo history), the
// listener's choices and the place being heard.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

#include "studio/model/layer_monitor.h"
#include "studio/model/score_document.h"

namespace studio {

// A stretch of the track, in seconds, start before end.
using TimeStretch = std::pair<double, double>;

class StudioHost {
public:
    virtual ~StudioHost() = default;

    virtual const ScoreDocument& GetDocument() const = 0;
    // Applies edit to the document as one step of the undo history; an
    // empty edit changes nothing.
    virtual void SubmitEdit(ScoreEdit edit) = 0;

    virtual std::optional<std::size_t> GetSelectedLayer() const = 0;
    virtual void SelectLayer(std::size_t layer) = 0;

    virtual const LayerMonitor& GetMonitor() const = 0;
    virtual void SetMonitor(const LayerMonitor& monitor) = 0;

    // Where the playhead stands, and moving it (playing on from there when
    // playing).
    virtual double GetPlayheadSeconds() const = 0;
    virtual void MovePlayhead(double seconds) = 0;
    virtual std::optional<TimeStretch> GetLoop() const = 0;
    virtual void SetLoop(std::optional<TimeStretch> loop) = 0;

    // A short note in the status bar.
    virtual void ShowStatus(const std::string& text) = 0;
};

}  // namespace studio

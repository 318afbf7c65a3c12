// One undoable change of a score: a few steps, each replacing one part of it
// and keeping what was there, so that the change can be taken back exactly.
// A step holds only the part it changes (a keyframe, a layer without its
// keyframes, the score's own values), so a long history of edits to a large
// score stays small.
#pragma once

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

#include "engine/score/score.h"

namespace studio {

// Keyframe index of layer becomes after.
struct ReplaceKeyframe {
    std::size_t m_nLayer = 0;
    std::size_t m_nIndex = 0;
    Keyframe m_before;
    Keyframe m_after;
};

// keyframe is inserted at index of layer (and erased again when undone).
struct InsertKeyframe {
    std::size_t m_nLayer = 0;
    std::size_t m_nIndex = 0;
    Keyframe m_keyframe;
};

// Keyframe index of layer, which is keyframe, is erased.
struct EraseKeyframe {
    std::size_t m_nLayer = 0;
    std::size_t m_nIndex = 0;
    Keyframe m_keyframe;
};

// Everything of a layer but its keyframes: source, stretch, gain, values,
// drift. Both sides hold no keyframes.
struct ReplaceLayerOwn {
    std::size_t m_nLayer = 0;
    ScoreLayer m_before;
    ScoreLayer m_after;
};

// The score's own values (length, seed, volume, loudness, fade, loop, level
// range). Both sides hold no layers.
struct ReplaceTop {
    Score m_before;
    Score m_after;
};

struct InsertLayer {
    std::size_t m_nIndex = 0;
    ScoreLayer m_layer;
};

struct EraseLayer {
    std::size_t m_nIndex = 0;
    ScoreLayer m_layer;
};

using ScoreStep =
    std::variant<ReplaceKeyframe, InsertKeyframe, EraseKeyframe, ReplaceLayerOwn, ReplaceTop, InsertLayer, EraseLayer>;

// The steps apply in order and are taken back in the reverse order, so a
// later step sees the score as the earlier ones left it.
class ScoreEdit {
public:
    explicit ScoreEdit(std::string name = {}) : m_strName(std::move(name)) {}

    // What the edit does, for the Undo and Redo menu items: "Move keyframe".
    const std::string& GetName() const { return m_strName; }
    bool IsEmpty() const { return m_steps.empty(); }
    const std::vector<ScoreStep>& GetSteps() const { return m_steps; }

    // Adds a step and applies it to score at once, so the next step is
    // built against the score as it now stands.
    void ApplyStep(Score& score, ScoreStep step);
    // Adds a step built against the score as the steps so far leave it,
    // without applying it.
    void Record(ScoreStep step);

    void Apply(Score& score) const;
    void Revert(Score& score) const;

private:
    std::string m_strName;
    std::vector<ScoreStep> m_steps;
};

// A layer's own part (everything but its keyframes), and the score's.
ScoreLayer LayerOwnPart(const ScoreLayer& layer);
Score TopPart(const Score& score);

// Edits of the parts that are not keyframes: the layer index's own part set
// to own (its keyframes kept), the score's own values set to top's.
ScoreEdit EditLayerOwn(const Score& score, std::size_t layer, const ScoreLayer& own, std::string name);
ScoreEdit EditTop(const Score& score, const Score& top, std::string name);

}  // namespace studio

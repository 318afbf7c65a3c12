#include "studio/model/score_edit.h"

#include <stdexcept>

namespace studio {

namespace {

// Each step's forward and backward application. An index out of place is a
// fault of the code that built the edit, not of anything a user can do.
void Check(bool condition)
{
    if (!condition)
        throw std::logic_error("a score edit does not fit the score it is applied to");
}

void Apply(Score& score, const ReplaceKeyframe& step)
{
    Check(step.m_nLayer < score.m_layers.size() && step.m_nIndex < score.m_layers[step.m_nLayer].m_keyframes.size());
    score.m_layers[step.m_nLayer].m_keyframes[step.m_nIndex] = step.m_after;
}

void Revert(Score& score, const ReplaceKeyframe& step)
{
    Check(step.m_nLayer < score.m_layers.size() && step.m_nIndex < score.m_layers[step.m_nLayer].m_keyframes.size());
    score.m_layers[step.m_nLayer].m_keyframes[step.m_nIndex] = step.m_before;
}

void Insert(Score& score, std::size_t layer, std::size_t index, const Keyframe& keyframe)
{
    Check(layer < score.m_layers.size() && index <= score.m_layers[layer].m_keyframes.size());
    auto& keyframes = score.m_layers[layer].m_keyframes;
    keyframes.insert(keyframes.begin() + static_cast<std::ptrdiff_t>(index), keyframe);
}

void Erase(Score& score, std::size_t layer, std::size_t index)
{
    Check(layer < score.m_layers.size() && index < score.m_layers[layer].m_keyframes.size());
    auto& keyframes = score.m_layers[layer].m_keyframes;
    keyframes.erase(keyframes.begin() + static_cast<std::ptrdiff_t>(index));
}

void Apply(Score& score, const InsertKeyframe& step) { Insert(score, step.m_nLayer, step.m_nIndex, step.m_keyframe); }
void Revert(Score& score, const InsertKeyframe& step) { Erase(score, step.m_nLayer, step.m_nIndex); }
void Apply(Score& score, const EraseKeyframe& step) { Erase(score, step.m_nLayer, step.m_nIndex); }
void Revert(Score& score, const EraseKeyframe& step) { Insert(score, step.m_nLayer, step.m_nIndex, step.m_keyframe); }

void SetOwn(Score& score, std::size_t index, const ScoreLayer& own)
{
    Check(index < score.m_layers.size());
    ScoreLayer& layer = score.m_layers[index];
    std::vector<Keyframe> keyframes = std::move(layer.m_keyframes);
    layer = own;
    layer.m_keyframes = std::move(keyframes);
}

void Apply(Score& score, const ReplaceLayerOwn& step) { SetOwn(score, step.m_nLayer, step.m_after); }
void Revert(Score& score, const ReplaceLayerOwn& step) { SetOwn(score, step.m_nLayer, step.m_before); }

void SetTop(Score& score, const Score& top)
{
    std::vector<ScoreLayer> layers = std::move(score.m_layers);
    score = top;
    score.m_layers = std::move(layers);
}

void Apply(Score& score, const ReplaceTop& step) { SetTop(score, step.m_after); }
void Revert(Score& score, const ReplaceTop& step) { SetTop(score, step.m_before); }

void InsertLayerAt(Score& score, std::size_t index, const ScoreLayer& layer)
{
    Check(index <= score.m_layers.size());
    score.m_layers.insert(score.m_layers.begin() + static_cast<std::ptrdiff_t>(index), layer);
}

void EraseLayerAt(Score& score, std::size_t index)
{
    Check(index < score.m_layers.size());
    score.m_layers.erase(score.m_layers.begin() + static_cast<std::ptrdiff_t>(index));
}

void Apply(Score& score, const InsertLayer& step) { InsertLayerAt(score, step.m_nIndex, step.m_layer); }
void Revert(Score& score, const InsertLayer& step) { EraseLayerAt(score, step.m_nIndex); }
void Apply(Score& score, const EraseLayer& step) { EraseLayerAt(score, step.m_nIndex); }
void Revert(Score& score, const EraseLayer& step) { InsertLayerAt(score, step.m_nIndex, step.m_layer); }

}  // namespace

void ScoreEdit::ApplyStep(Score& score, ScoreStep step)
{
    std::visit([&](const auto& s) { studio::Apply(score, s); }, step);
    m_steps.push_back(std::move(step));
}

void ScoreEdit::Record(ScoreStep step)
{
    m_steps.push_back(std::move(step));
}

void ScoreEdit::Apply(Score& score) const
{
    for (const ScoreStep& step : m_steps)
        std::visit([&](const auto& s) { studio::Apply(score, s); }, step);
}

void ScoreEdit::Revert(Score& score) const
{
    for (auto step = m_steps.rbegin(); step != m_steps.rend(); ++step)
        std::visit([&](const auto& s) { studio::Revert(score, s); }, *step);
}

ScoreLayer LayerOwnPart(const ScoreLayer& layer)
{
    // Everything the layer holds, whatever a layer comes to hold, but its keyframes.
    ScoreLayer own = layer;
    own.m_keyframes.clear();
    return own;
}

Score TopPart(const Score& score)
{
    Score top = score;
    top.m_layers.clear();
    return top;
}

ScoreEdit EditLayerOwn(const Score& score, std::size_t layer, const ScoreLayer& own, std::string name)
{
    ScoreEdit edit(std::move(name));
    ReplaceLayerOwn step{layer, LayerOwnPart(score.m_layers.at(layer)), LayerOwnPart(own)};
    if (!(step.m_before == step.m_after))
        edit.Record(std::move(step));
    return edit;
}

ScoreEdit EditTop(const Score& score, const Score& top, std::string name)
{
    ScoreEdit edit(std::move(name));
    ReplaceTop step{TopPart(score), TopPart(top)};
    if (!(step.m_before == step.m_after))
        edit.Record(std::move(step));
    return edit;
}

}  // namespace studio

// The finishing stages of a render, in order.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "engine/finishing/finishing_stage.h"

// A sound held whole in memory (the desktop program's run) is finished in
// place by the stages up to the mark set with EndInPlaceStages, each pass of
// theirs over the whole sound, as its level finishing always has been; the
// stages after the mark act on it on its way to the sink. A streamed sound
// has every stage act on its way out.
class FinishingChain {
public:
    FinishingChain() = default;
    FinishingChain(const FinishingChain&) = delete;
    FinishingChain& operator=(const FinishingChain&) = delete;
    FinishingChain(FinishingChain&&) = default;
    FinishingChain& operator=(FinishingChain&&) = default;

    // Appends a stage the chain keeps, and answers it.
    template <typename Stage>
    Stage& Add(std::unique_ptr<Stage> stage)
    {
        Stage& added = *stage;
        m_stages.push_back(&added);
        m_owned.push_back(std::move(stage));
        return added;
    }
    // Appends a stage that stays in place elsewhere while the chain is used.
    void Add(FinishingStage& stage) { m_stages.push_back(&stage); }
    // The stages added so far finish a sound held whole in place.
    void EndInPlaceStages() { m_nInPlace = m_stages.size(); }

    std::span<FinishingStage* const> Stages() const { return m_stages; }
    std::size_t InPlaceCount() const { return m_nInPlace; }
    // Whether some stage surveys the sound, or measures it.
    bool Surveys() const;
    bool Measures() const;

private:
    std::vector<std::unique_ptr<FinishingStage>> m_owned;
    std::vector<FinishingStage*> m_stages;
    std::size_t m_nInPlace = 0;
};

#include "engine/finishing/finishing_chain.h"

#include <algorithm>

bool FinishingChain::Surveys() const
{
    return std::any_of(m_stages.begin(), m_stages.end(), [](const FinishingStage* stage) { return stage->Surveys(); });
}

bool FinishingChain::Measures() const
{
    return std::any_of(m_stages.begin(), m_stages.end(), [](const FinishingStage* stage) { return stage->Measures(); });
}

#include "engine/score/one_layer_score.h"

#include "engine/parameters/parameter_table.h"

// The track's values are the score's; its layer keeps their defaults.
Score OneLayerScore(const ParameterValues& values, std::int32_t lengthSeconds, const std::string& sourcePath)
{
    Score score;
    score.m_nLengthSeconds = lengthSeconds;
    score.m_nVolume = values.Whole(ParameterId::Volume);
    score.m_nFadeSeconds = values.Whole(ParameterId::Fade);
    ScoreLayer layer;
    layer.m_strSource = sourcePath;
    layer.m_strSourcePath = sourcePath;
    layer.m_values = values;
    const ParameterValues defaults;
    for (const ParameterRow& row : ParameterTable()) {
        if (row.m_scope == ParameterScope::Track)
            layer.m_values.Set(row.m_id, defaults.Get(row.m_id));
    }
    score.m_layers.push_back(std::move(layer));
    return score;
}

// Why an effect cannot be set up or cannot go on: raised by the effects
// library with a message for the user that names the plugin. The render
// knows it as a chain's failure.
#pragma once

#include <string>

#include "engine/synthesis/sound_chain.h"

class EffectFailure : public SoundChainFailure {
public:
    explicit EffectFailure(const std::string& text) : SoundChainFailure(text) {}
};

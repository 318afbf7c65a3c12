// An effect chain as the render runs it, behind an interface so that the
// engine needs no plugin host: the programs hand the render a maker of
// chains (the effects library's), and the render feeds each chain the sound
// it follows.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/score/effect_setting.h"
#include "engine/base/stereo_frame.h"

class SoundChain {
public:
    virtual ~SoundChain() = default;
    // Feeds the next frames of the sound and appends to out the output that
    // is ready, in step with the input: out never gets more frames in all
    // than were fed. Raises SoundChainFailure when the chain cannot go on.
    virtual void Feed(std::span<const StereoFrame> input, std::vector<StereoFrame>& out) = 0;
};

// A chain that cannot be made or cannot go on (a plugin that gave a value
// that is not a finite number, say); the text names it, for the user.
class SoundChainFailure : public std::runtime_error {
public:
    explicit SoundChainFailure(const std::string& text) : std::runtime_error(text) {}
};

// Makes a fresh chain of the settings, in the state a chain starts in; each
// one made of the same settings gives the same output for the same input.
using SoundChainMaker = std::function<std::unique_ptr<SoundChain>(const EffectChainSetting&)>;

// The effects of a score: [[layer.effect]] tables after a layer's sound and
// [[effect]] tables after the mix, each an installed LV2 plugin named by its
// URI with values for its controls by symbol. Checked against the installed
// plugins as they are read, so that a slip is refused at its line, with the
// nearest name, before anything renders.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <toml++/toml.h>
#include <vector>

#include "engine/score/effect_setting.h"

struct Score;

// The chain an array of effect tables gives; header is how the file writes
// one of them ("[[effect]]", "[[layer.effect]]"). Refuses (ScoreRefusal)
// the first thing that is wrong.
EffectChainSetting ReadEffects(const toml::node& node, std::string_view header);

// The line of the first effect the score gives, layers' first; none when it
// gives none.
std::optional<int> FirstEffectLine(const Score& score);

// The effects as a score file writes them, each under header; with versions
// when the settings carry them.
std::string WriteEffects(const EffectChainSetting& effects, std::string_view header);

// The chain with each effect's version, "minor.micro", set to the installed
// plugin's: what a score stored with an output records.
EffectChainSetting WithInstalledVersions(const EffectChainSetting& effects);

// For each effect of score whose stored version differs from the installed
// plugin's, a note that the output may differ from the stored one's:
// "score.toml:14: the effect plugin ... is version 2.1 here; the score was
// stored with 2.0, so the sound may differ".
std::vector<std::string> EffectVersionNotes(const Score& score, const std::string& displayName);

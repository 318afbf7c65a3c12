// The keys each part of a score takes, and the refusal of any other key: the
// nearest known one suggested for a slip, or where a key of another part
// belongs.
#pragma once

#include <string>
#include <toml++/toml.h>
#include <vector>

#include "engine/parameters/parameter_id.h"

enum class ScoreSection {
    Top,         // the score as a whole: length, seed, volume...
    Layer,       // [[layer]]
    Keyframe,    // [[layer.at]]
    Drift,       // [layer.drift]
    DriftEntry,  // one parameter's drift: { depth = D, period = P }
};

// The keys section takes, in the order a score writes them.
std::vector<std::string> KeysOf(ScoreSection section);

// Refuses the first key of table, in the file's order, that section does not
// take: "unknown key 'densty' in a layer (did you mean 'density'?)".
void CheckKeys(const toml::table& table, ScoreSection section);

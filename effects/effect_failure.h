// Why an effect cannot be set up or cannot go on: raised by the effects
// library with a message for the user that names the plugin.
#pragma once

#include <stdexcept>
#include <string>

class EffectFailure : public std::runtime_error {
public:
    explicit EffectFailure(const std::string& text) : std::runtime_error(text) {}
};

// sonnelith-cli --list-effects: the installed LV2 plugins a score's effects
// can name, each with its URI, name, version and controls with their ranges
// and defaults; then those this host cannot run, and why. It stands on its
// own: the command line then holds nothing else.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "effects/plugin_catalogue.h"

inline constexpr char kListEffectsOption[] = "--list-effects";

// Whether an argument is --list-effects.
bool AsksForEffectList(int argc, const char* const* argv);

// Carries out "--list-effects": the list goes to out. Answers the exit
// status: 0 listed (also when no plugin is installed, which it says); 2
// anything else on the command line.
int PrintEffectList(int argc, const char* const* argv, std::ostream& out, std::ostream& errors);

// The listing of plugins, as --list-effects prints it.
std::string FormatEffectList(const std::vector<PluginDescription>& plugins);

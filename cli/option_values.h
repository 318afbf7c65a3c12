// The values sonnelith-cli's options take: how each is read from its text,
// and the CLI11 validators that refuse anything else with one line saying
// what is allowed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "score_file/time_text.h"
#include "engine/parameters/parameter_table.h"
#include "engine/render/render_options.h"
#include "engine/synthesis/kernels/add_kernel.h"

// The validators are made and used where CLI11 is included: the files that
// only read option values go without its headers.
namespace CLI {
class Validator;
}

// Digits only, no sign, no spaces, and no more than maximum.
std::optional<std::uint64_t> ParseDigits(const std::string& text, std::uint64_t maximum);

// The longest track sonnelith-cli makes: 24 hours.
inline constexpr int kLongestLengthSeconds = kLongestTrackSeconds;

// "H:MM:SS", "MM:SS" or whole seconds, in seconds, up to 24:00:00.
std::optional<int> ParseLength(const std::string& text);

// The --kernel names: auto, reference, portable, avx2, avx512.
std::optional<AddKernel> FindKernel(const std::string& name);

// The --spill names: auto, always, never.
std::optional<SpillChoice> FindSpillChoice(const std::string& name);

// A value the parameter's row allows, refused with the values it does.
CLI::Validator AllowedParameterValue(const ParameterRow& row);
CLI::Validator AllowedLength();
CLI::Validator AllowedSeed();
CLI::Validator AllowedThreads();
// An excerpt's length: a length as --length takes it, from a second up to
// the longest track.
CLI::Validator AllowedExcerptSeconds();
// A kernel that names an instruction set only where the processor has it.
CLI::Validator AllowedKernel();
CLI::Validator AllowedSpill();
// A range of level evening, in LU, from LevelEveningPlan's narrowest to its widest.
CLI::Validator AllowedLevelRange();
// Refuses an empty name (an unset shell variable, say); what names what it is.
CLI::Validator NotEmpty(const std::string& what);

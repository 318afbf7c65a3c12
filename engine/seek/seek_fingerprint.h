// The key a seek index is kept under: a digest of what a score's grain
// schedules depend on, and of nothing else.
#pragma once

#include <cstdint>

#include "engine/score/score.h"
#include "engine/seek/seek_plan.h"

// The fingerprint of the schedules plan makes for score rendered with seed
// (see SeekFingerprint for what it covers). A plan's layers are the score's,
// in order.
SeekFingerprint FingerprintOf(const Score& score, std::uint32_t seed, const SeekPlan& plan);

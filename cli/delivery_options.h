// The command-line options that shape the delivered file: --bits, --rate,
// --loudness and --dither, with their allowed values.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>

#include "engine/score/loudness_range.h"

struct DeliveryOptions {
    int m_nBits = 16;
    int m_nRate = 44100;
    std::optional<double> m_loudness;  // LUFS
    bool m_bDither = false;            // TPDF dither before 16-bit samples
};

void AddDeliveryOptions(CLI::App& app, DeliveryOptions& options);

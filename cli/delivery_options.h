// The command-line options that shape the delivered file: --bits, --rate,
// --loudness and --dither, with their allowed values.
#pragma once

#include <optional>

#include "engine/score/loudness_range.h"

// Only the parser's name here: the files that fill an App include CLI11
// themselves, and the many that need only DeliveryOptions go without it.
namespace CLI {
class App;
}

struct DeliveryOptions {
    int m_nBits = 16;
    int m_nRate = 44100;
    std::optional<double> m_loudness;  // LUFS
    bool m_bDither = false;            // TPDF dither before 16-bit samples
};

void AddDeliveryOptions(CLI::App& app, DeliveryOptions& options);

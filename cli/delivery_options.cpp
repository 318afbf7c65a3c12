#include "cli/delivery_options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <string>
#include <vector>

namespace {

CLI::Validator OneOf(std::vector<int> allowed, const std::string& described)
{
    return CLI::Validator(
        [allowed, described](std::string& text) -> std::string {
            for (const int value : allowed) {
                if (text == std::to_string(value))
                    return {};
            }
            return "'" + text + "' is not allowed; use " + described;
        },
        described);
}

CLI::Validator LoudnessTarget()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            double value = 0.0;
            const char* end = text.data() + text.size();
            const auto [stop, error] = std::from_chars(text.data(), end, value);
            if (error == std::errc() && stop == end && value >= kQuietestLoudness && value <= kLoudestLoudness)
                return {};
            return "'" + text + "' is not a loudness; use a number of LUFS from -70 to 0, for example -18";
        },
        "-70 to 0");
}

}  // namespace

void AddDeliveryOptions(CLI::App& app, DeliveryOptions& options)
{
    app.add_option("--bits", options.m_nBits,
                   "Sample format of the output: 16 or 24-bit PCM, or 32 for 32-bit float (FLAC: 16 or 24)")
        ->option_text("16|24|32")
        ->check(OneOf({16, 24, 32}, "16, 24 or 32"))
        ->capture_default_str();
    app.add_option("--rate", options.m_nRate,
                   "Sample rate of the output: 44100, 48000, 88200 or 96000 Hz; the finished sound is converted by "
                   "libsoxr and its peak set to the volume again")
        ->option_text("HZ")
        ->check(OneOf({44100, 48000, 88200, 96000}, "44100, 48000, 88200 or 96000"))
        ->capture_default_str();
    app.add_option("--loudness", options.m_loudness,
                   "Set the integrated loudness (EBU R128) to this many LUFS, -70 to 0, instead of the peak to the "
                   "volume; the volume then only caps the peak, and both are printed at the end")
        ->option_text("LUFS")
        ->check(LoudnessTarget());
    app.add_flag("--dither", options.m_bDither,
                 "Dither a 16-bit output: add triangular (TPDF) noise of one step of the last bit before each "
                 "sample is rounded, drawn from the seed so the same seed gives the same bytes; quiet tails then "
                 "fade into a faint hiss instead of falling to steps and digital silence (exact silence stays "
                 "silent). Off by default");
}

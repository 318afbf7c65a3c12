// Feeds arbitrary bytes to the reader of stored scores as a file (the one
// --score-of reads): RIFF, RF64 and W64 chunk lists and FLAC metadata walked
// within the file, the text bounded by its cap. Every input must end in a
// text within the cap or in a reason.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "formats/stored_score_layout.h"
#include "formats/stored_score_reader.h"
#include "fuzz/memory_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!StoreFuzzInput(data, size))
        return 0;
    std::string reason;
    const std::optional<std::string> text = ReadStoredScore(FuzzInputPath(), reason);
    if (text ? text->size() > kMaxStoredScoreBytes : reason.empty())
        std::abort();
    return 0;
}

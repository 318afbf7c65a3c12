// How a run streams its output instead of holding it: where the sound waits
// between the passes.
#pragma once

#include <cstdint>
#include <string>

// Whether the sound synthesised in the first pass is set aside on disk for the
// later passes, or synthesised again for each of them (twice the work, no disk).
enum class SpillChoice {
    WhenRoom,  // on disk when the folder's disk has room for it and is no memory disk
    Always,    // on disk; the run fails when the file cannot be made or written
    Never,     // synthesised again
};

struct StreamingOptions {
    SpillChoice m_spill = SpillChoice::WhenRoom;
    std::string m_strSpillFolder;        // empty: the system's folder for temporary files
    std::uint64_t m_nReservedBytes = 0;  // room the output needs on that disk besides the spill
};

// Opens the input of a command-line run. A file the desktop program accepts
// (8- or 16-bit PCM WAV, mono or stereo, 11025, 22050 or 44100 Hz, in the
// chunk layout WaveFile reads) goes through WaveFile with its own conversion,
// so it gives the same output bytes as the desktop program; every other file
// goes through libsndfile, folded to stereo and converted to 44100 Hz by libsoxr.
// Either way the input's length is the sound it really holds, never more than
// the run can hold, and a cancel ends every wait and every long read.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/io/sound_source.h"
#include "engine/scheduling/grain_settings.h"  // SemitoneRange
#include "formats/cancel_check.h"
#include "formats/seekable_input.h"

struct InputRules {
    // The run's grain length: an input must be longer than one grain reads
    // (at the highest of the transposition, when it is up). 0: not checked.
    int m_nGrainMilliseconds = 0;
    SemitoneRange m_transposition = {};
    // Standard input and pipes are copied; beyond this many bytes they are refused.
    std::uint64_t m_nMaxStreamBytes = SeekableInput::kDefaultMaxStreamBytes;
    // Asked while waiting for a stream, copying it, counting the frames of a
    // compressed input and, through the source, while the run loads it.
    CancelCheck m_cancelled = {};
    // The name messages give the input when it is opened by another one
    // (the /proc/self/fd/N of a file held open); empty: the path opened.
    std::string m_strShownAs = {};
};

enum class InputRoute { None, WaveFile, Sndfile };

struct InputOpening {
    // The source, or the message that says why there is none.
    SourceOpening m_opening;
    InputRoute m_route = InputRoute::None;
    // Which way the input goes, for the user: "in.wav: 16-bit stereo PCM WAV,
    // 22050 Hz; read as the desktop program reads it". Empty on failure.
    std::string m_strRoute;
    // The check stopped the opening: there is neither a source nor a message.
    bool m_bCancelled = false;
};

// Opens path ("-" for standard input). An empty path is an error.
InputOpening OpenSoundFile(const std::string& path, const InputRules& rules);

// The same as a SourceOpener for a run; onRoute (if set) is told the route text
// of an input that opened. A cancelled opening answers no source and an empty
// message.
SourceOpener MakeSoundFileOpener(const InputRules& rules, std::function<void(const std::string&)> onRoute = {});

// How long a libsndfile input really is. A frame count read from a header is
// only a claim: a FLAC STREAMINFO, an Ogg page's granule position or an MP3's
// Xing frame count can say anything, or nothing (a FLAC encoded from a pipe, a
// cut Ogg stream). Such inputs are decoded once to their real end to be
// counted, in bounded memory, before any buffer is sized. Only an
// uncompressed layout's count, which the file's own size vouches for, is
// taken as it is.
#pragma once

#include <cstdint>

#include "formats/cancel_check.h"

struct sf_private_tag;

// Whether frames of the libsndfile format (SF_FORMAT_*) with that many
// channels fit into fileBytes: true only for uncompressed samples of a fixed
// size in a container whose count libsndfile derives from the sizes in the file.
bool IsLengthBackedByBytes(int format, int channels, std::int64_t frames, std::uint64_t fileBytes);

struct DecodedLength {
    enum class Kind {
        Counted,    // m_nFrames is the real length at the file's rate
        TooLong,    // more than mostFrames: counting stopped there
        Cancelled,  // the check said stop
        Failed,     // the system failed a read; m_nError says why
    };
    Kind m_kind = Kind::Counted;
    std::uint64_t m_nFrames = 0;
    int m_nError = 0;
};

// Decodes file (open for reading, at its start) block by block to its end and
// counts the frames, asking the check after each block. Stops as soon as the
// count passes mostFrames, without reading the rest. A decoder that gives up
// on damaged data ends the count there, as it ends the sound when read.
DecodedLength CountDecodedFrames(sf_private_tag* file, int channels, std::uint64_t mostFrames,
                                 const CancelCheck& cancelled);

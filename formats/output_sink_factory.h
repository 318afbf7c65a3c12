// Builds the sink a command-line run writes its output through, for the
// format chosen by ChooseOutputFormat:
//
//   the desktop program's WAV (16-bit, 44100 Hz)  ReplacingFileSink(desktop WAV sink)
//   any other file                                ReplacingFileSink([ResamplingSink](SndfileSink))
//   standard output ("-")                         [ResamplingSink](WavStreamSink on descriptor 1)
//
// ResamplingSink stands in between only when the delivery rate is not 44100 Hz;
// DitheringSink stands in front of a 16-bit writer when dither is asked for.
// A WAV too large for 32-bit sizes is RF64 (FitToLength), and a loop in WAV
// goes through SndfileSink, which marks its loop points. A stored score puts
// StoredScoreSink around the file's writer; a stream carries it in its
// header (see formats/stored_score_layout.h for where it sits).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/io/frame_sink.h"
#include "formats/output_format.h"
#include "formats/wav_stream_sink.h"

struct OutputRequest {
    std::string m_strInputPath;  // refused as the output; "-" or empty: none
    std::uint64_t m_nFrames = 0;  // frames the run will write, at 44100 Hz
    int m_nStandardOutputFd = 1;  // where "-" writes
    bool m_bLoop = false;          // the output is a seamless loop
    StreamWatch m_streamWatch;     // "-": the cancel check and who is told when the stream breaks
    std::string m_strStoredScore;  // UTF-8 text the output carries; empty: none, and not a byte changes
    // A 16-bit output is dithered from this seed (see DitheringSink), after
    // any rate conversion; none: not dithered, and not a byte changes.
    std::optional<std::uint32_t> m_ditherSeed;
};

// Makes the sink that writes the desktop program's WAV file (the engine's WaveFile sink).
using DesktopWavSinkMaker = std::function<std::unique_ptr<FrameSink>()>;

std::unique_ptr<FrameSink> MakeOutputSink(const OutputFormat& format, const OutputRequest& request,
                                          const DesktopWavSinkMaker& makeDesktopWav);

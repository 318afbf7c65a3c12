// Writes the finished frames as a WAV stream to a descriptor that can't seek
// back (standard output, a pipe): the header, with its sizes for the frames
// the run will write, goes out before the first frame. 16- and 24-bit PCM use
// the plain 44-byte header (16-bit at 44100 Hz gives the very bytes of a WAV
// file written by WaveFile); float uses format 3 with its fact chunk. A
// stream past 4 GiB (container Rf64) is RF64: a ds64 chunk holds its sizes.
//
// A reader that keeps the stream waiting is waited for in steps that a cancel
// ends. A stream that can no longer be written (its reader gone, a full disk
// behind a redirection) is not a file the run made and could remove: with a
// watcher, the sink tells it the error and drops the rest of the sound, and
// the watcher stops the run; without one, it raises FileException.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/io/frame_sink.h"
#include "formats/cancel_check.h"
#include "formats/output_format.h"

struct StreamWatch {
    CancelCheck m_cancelled = {};                      // asked while the reader keeps the stream waiting
    std::function<void(int error)> m_onBroken = {};    // told the system's error once writing fails
};

class WavStreamSink : public FrameSink {
public:
    // frames: how many the run will write, at the format's rate.
    WavStreamSink(int fd, const OutputFormat& format, std::uint64_t frames, StreamWatch watch = {});
    ~WavStreamSink() override;

    // The stream carries text as a stored score, in a chunk before its data
    // chunk. Before Create.
    void StoreScore(std::string text) { m_strStoredScore = std::move(text); }
    // path only names the stream in messages. Refuses a terminal, and a
    // score no output can carry.
    std::optional<RunMessage> Create(const std::string& path) override;
    void Write(const StereoFrame* frames, std::size_t count) override;
    // Hands out what is still buffered. A run cut short leaves the stream
    // shorter than its header says: a stream can't be taken back.
    void Finish(bool cancelled) override;
    void Discard() override;
    std::uint64_t GetBytesWritten() const override { return m_nBytes; }

private:
    void PrepareForWaiting();
    void Flush();
    void Break(int error);

    int m_nFd;
    OutputFormat m_format;
    std::uint64_t m_nFrames;
    StreamWatch m_watch;
    std::string m_strStoredScore;
    std::string m_strName;
    std::vector<unsigned char> m_buffer;
    bool m_bStopped = false;  // the stream was cancelled or broke: nothing more goes out
    int m_nOwnFd = -1;           // the same pipe, opened again without blocking
    bool m_bSmallWrites = false;  // a socket, written PIPE_BUF bytes at a time
    std::uint64_t m_nBytes = 0;  // header and samples, handed out or waiting in the buffer
};

// The header of a stereo WAV stream of frames frames in that format; with a
// stored score, its chunk comes last before the data chunk.
std::vector<unsigned char> WavStreamHeader(const OutputFormat& format, std::uint64_t frames,
                                           const std::string& storedScore = {});

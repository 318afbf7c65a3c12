// Frames set aside on disk: a streamed render writes the sound it has
// synthesised, before its level is known, into a temporary file and reads it
// back to finish it, so that it never holds the whole sound in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "engine/base/stereo_frame.h"

// An unnamed file in a folder: no other program sees it and it disappears
// when it is closed, even when the program is killed. The frames are stored
// as they are in memory (8 bytes a frame). Failures of the operating system
// raise FileException.
class FrameSpill {
public:
    // Creates the file in folder, or answers null when that is not possible
    // (a folder that does not exist or cannot be written).
    static std::unique_ptr<FrameSpill> Create(const std::string& folder);
    ~FrameSpill();
    FrameSpill(const FrameSpill&) = delete;
    FrameSpill& operator=(const FrameSpill&) = delete;

    // Adds frames after those already stored.
    void Append(std::span<const StereoFrame> frames);
    // Reads stored frames [first, first + frames.size()) into frames.
    void Read(std::span<StereoFrame> frames, std::uint64_t first) const;

    std::uint64_t GetFrameCount() const { return m_nFrames; }

    // How many bytes frames take in a spill.
    static std::uint64_t BytesFor(std::uint64_t frames) { return frames * sizeof(StereoFrame); }

private:
    FrameSpill(int fd, std::string description);

    int m_nFd;
    std::string m_strDescription;  // names the file in messages
    std::uint64_t m_nFrames = 0;
};

// Whether a spill of bytes fits on the disk that holds folder, with reserve
// bytes left over, and within the largest file this process may write
// (ulimit -f), and the disk is a real one: a folder kept in memory (tmpfs,
// ramfs) would hold the spill in memory after all.
bool IsRoomToSpill(const std::string& folder, std::uint64_t bytes, std::uint64_t reserve);

// The system's folder for temporary files: $TMPDIR, else /tmp.
std::string TemporaryFolder();

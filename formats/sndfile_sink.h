// Writes the finished frames with libsndfile: WAV, FLAC or W64, 16- or 24-bit
// PCM or 32-bit float, at the format's rate (the frames arrive at that rate).
// The file is written through descriptors of our own, so a failure is
// reported with the system's reason (a full disk, say). Used inside
// ReplacingFileSink, which decides what stays on disk.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/io/frame_sink.h"
#include "formats/output_format.h"

struct sf_private_tag;

class SndfileSink : public FrameSink {
public:
    explicit SndfileSink(const OutputFormat& format);

    // The file is a loop of frames (at the file's rate): a WAV file gets a
    // smpl chunk that loops from its first frame to its last. Before Create.
    void MarkLoop(std::uint64_t frames) { m_nLoopFrames = frames; }
    // The file's COMMENT string (in FLAC the Vorbis comment COMMENT, written
    // before the first frame). Before Create.
    void SetComment(std::string text) { m_strComment = std::move(text); }
    // libsndfile's file starts bytes into the file on disk, after room left
    // for a header of our own (see StoredScoreSink). Before Create.
    void LeaveRoomBefore(std::uint64_t bytes) { m_nRoomBefore = bytes; }
    // Closes a file still open; whatever it holds stays.
    ~SndfileSink() override;

    std::optional<RunMessage> Create(const std::string& path) override;
    void Write(const StereoFrame* frames, std::size_t count) override;
    // Closes the file, which then holds every frame written (after a cancel
    // too); libsndfile sets its sizes.
    void Finish(bool cancelled) override;
    // Closes and removes the file.
    void Discard() override;
    // The file's size as it stands (libsndfile writes as it goes; a header
    // it patches at the end is there from the start).
    std::uint64_t GetBytesWritten() const override;

    // Where libsndfile's reads, writes and seeks go; public for the callbacks.
    struct Descriptor {
        int m_nFd = -1;
        int m_nLastError = 0;  // errno of the last failed operation
        std::int64_t m_nBase = 0;  // where libsndfile's byte 0 lies in the file
    };

private:
    void WriteConverted(const StereoFrame* frames, std::size_t count);
    [[noreturn]] void RaiseWriteFailure();
    void CloseFile();
    void WriteLoopPoints();

    OutputFormat m_format;
    std::string m_strPath;
    Descriptor m_descriptor;
    sf_private_tag* m_pFile = nullptr;
    std::uint64_t m_nLoopFrames = 0;
    bool m_bWritten = false;  // some frames went to libsndfile
    std::string m_strComment;
    std::uint64_t m_nRoomBefore = 0;
    std::vector<short> m_shorts;
    std::vector<int> m_ints;
    std::vector<float> m_floats;
};

// An input that the readers can open by name and seek in: a regular file as it
// is, or standard input ("-") and pipes (`<(...)`, FIFOs) copied first into an
// unnamed temporary file, since both readers must move back and forth in the
// file. The copy is bounded, so a stream that never ends can't fill the disk.
// Waiting for a FIFO's writer and copying a stream can be cancelled at any
// moment: nothing blocks longer than a tenth of a second between two looks at
// the cancel check.
#pragma once

#include <cstdint>
#include <string>

#include "formats/cancel_check.h"

class SeekableInput {
public:
    // Four gibibytes: the largest a WAV file's 32-bit sizes can describe.
    static constexpr std::uint64_t kDefaultMaxStreamBytes = 4ull << 30;

    SeekableInput() = default;
    ~SeekableInput();
    SeekableInput(const SeekableInput&) = delete;
    SeekableInput& operator=(const SeekableInput&) = delete;

    // Makes path ("-" for standard input) readable by name. Answers the reason
    // when it can't: the operating system's text ("No such file or directory",
    // "Is a directory"), "the file is empty", "standard input is a terminal", or
    // that a stream was longer than maxStreamBytes. Empty on success. When
    // the check cancels the wait or the copy, the answer is "cancelled" and
    // WasCancelled() says so.
    std::string Prepare(const std::string& path, std::uint64_t maxStreamBytes = kDefaultMaxStreamBytes,
                        const CancelCheck& cancelled = {});
    bool WasCancelled() const { return m_bCancelled; }

    // The name to open: the path itself, or /proc/self/fd/N of the copy, which
    // stays valid while this object lives (and the copy while anyone has it open).
    const std::string& GetReadablePath() const { return m_strReadablePath; }
    // Whether the input was copied from a stream.
    bool IsCopy() const { return m_nCopyFd >= 0; }

private:
    std::string PrepareNamed(const std::string& path, std::uint64_t maxStreamBytes, const CancelCheck& cancelled);
    std::string CopyStream(int streamFd, const std::string& name, std::uint64_t maxStreamBytes,
                           const CancelCheck& cancelled);
    std::string Cancel();

    std::string m_strReadablePath;
    int m_nCopyFd = -1;
    bool m_bCancelled = false;
};

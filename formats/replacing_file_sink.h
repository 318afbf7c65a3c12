// Writes an output through a temporary file beside it and puts it in place
// only when the run completes, so that a failed or cancelled run leaves an
// existing file of that name as it was, and nothing partial behind.
//
// The temporary file is ".<name>.XXXXXX" (hidden) in the output's own folder,
// so that the final rename stays on one disk and replaces the old file in one
// step. The wrapped sink writes to it. Finish(false) renames it over the
// output (which then gets the old file's permissions, or the usual ones for a
// new file); Finish(true), Discard and destruction without Finish remove it.
// A run killed outright (SIGKILL, power loss) can leave the hidden file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/frame_sink.h"

class ReplacingFileSink : public FrameSink {
public:
    // inner writes the file; inputPath is refused as the output ("-" or empty:
    // none); predictedBytes is checked against the free space of the disk.
    ReplacingFileSink(std::unique_ptr<FrameSink> inner, std::string inputPath, std::uint64_t predictedBytes);
    ~ReplacingFileSink() override;

    std::optional<RunMessage> Create(const std::string& path) override;
    void Write(const StereoFrame* frames, std::size_t count) override;
    void Finish(bool cancelled) override;
    void Discard() override;
    std::uint64_t GetBytesWritten() const override { return m_pInner->GetBytesWritten(); }

private:
    std::optional<RunMessage> Refuse(const std::string& reason) const;
    std::string CreateTemporary(bool targetExists);
    template <typename Operation>
    void AsTheOutput(Operation operation);
    void RemoveTemporary();

    std::unique_ptr<FrameSink> m_pInner;
    std::string m_strInputPath;
    std::uint64_t m_nPredictedBytes;
    std::string m_strPath;    // as the user gave it, for messages
    std::string m_strTarget;  // the file to replace
    std::string m_strTemporary;
};

// Writes an output through a temporary file beside it and puts it in place
// only when the run completes, so that a failed or cancelled run leaves an
// existing file of that name as it was, and nothing partial behind.
//
// The temporary file is hidden in the output's own folder, so that the final
// rename stays on one disk and replaces the old file in one step; its name
// (see temporary_name.h) says which process of which computer writes it, and
// fits a folder whenever the output's own name does. Before writing, the
// hidden files that killed runs of this computer left in that folder are
// removed. The wrapped sink writes to the temporary file. Finish(false)
// renames it over the output, which then has the old file's permissions, and,
// when root replaces it, the old file's owner and group (or the usual
// permissions for a new file); Finish(true), Discard and destruction without
// Finish remove it. A hard link to the old file is not written through: the
// name gets a new file, the other names keep the old one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <sys/stat.h>

#include "engine/io/frame_sink.h"

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
    std::string NamingTheOutput(std::string text) const;
    std::string OpenFolder(const std::string& folder);
    std::string CreateTemporary(bool targetExists);
    std::string PathInFolder(const std::string& folder, const std::string& name) const;
    template <typename Operation>
    void AsTheOutput(Operation operation);
    void RemoveTemporary();
    void CloseFolder();

    std::unique_ptr<FrameSink> m_pInner;
    std::string m_strInputPath;
    std::uint64_t m_nPredictedBytes;
    std::string m_strPath;           // as the user gave it, for messages
    std::string m_strTargetName;     // the file to replace, within its folder
    int m_nFolderFd = -1;            // the folder of the output and the temporary file
    std::string m_strTemporaryName;  // within that folder
    std::string m_strTemporary;      // the path the wrapped sink writes to
};

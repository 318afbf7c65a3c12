#include "formats/text_file_replacement.h"

#include <sys/stat.h>

#include <memory>
#include <vector>

#include "formats/output_place.h"
#include "formats/positional_file.h"
#include "formats/replacing_file_sink.h"
#include "formats/sound_file_messages.h"
#include "wav/file_exception.h"

namespace {

// The inner writer of a ReplacingFileSink for text: nothing goes into the
// temporary file before it is finished, then all of the text.
class TextFileSink : public FrameSink {
public:
    explicit TextFileSink(const std::string& text)
        : m_bytes(text.begin(), text.end())
    {
    }

    std::optional<RunMessage> Create(const std::string& path) override
    {
        m_strPath = path;
        return std::nullopt;
    }
    void Write(const StereoFrame*, std::size_t) override {}
    void Finish(bool cancelled) override
    {
        if (cancelled)
            return;
        PositionalFile file(m_strPath, PositionalFile::Access::ReadWrite);
        file.WriteAt(0, m_bytes);
        file.Close();
        m_bWritten = true;
    }
    void Discard() override {}
    std::uint64_t GetBytesWritten() const override { return m_bWritten ? m_bytes.size() : 0; }

private:
    std::vector<unsigned char> m_bytes;
    std::string m_strPath;
    bool m_bWritten = false;
};

// A FIFO or a device would be written through (and a FIFO would wait for a
// reader): a text goes into a file of its own.
bool IsOtherThanRegularFile(const std::string& path)
{
    std::string reason;
    const OutputPlace place = FindOutputPlace(path, {}, reason);
    struct stat info {};
    return place.m_bExists && stat(place.m_strTarget.c_str(), &info) == 0 &&
           !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

}  // namespace

std::optional<RunMessage> ReplaceWithText(const std::string& path, const std::string& text)
{
    if (IsOtherThanRegularFile(path))
        return OutputFailure(path, "not a regular file (a score is written to a file of its own)");
    ReplacingFileSink sink(std::make_unique<TextFileSink>(text), {}, text.size());
    if (auto failure = sink.Create(path))
        return failure;
    try {
        sink.Finish(false);
    } catch (const FileException& error) {
        sink.Discard();
        return OutputFailure(path, DescribeSystemError(error.GetOsError()));
    }
    return std::nullopt;
}

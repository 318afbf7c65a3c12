#include "formats/replacing_file_sink.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "formats/output_place.h"
#include "formats/sound_file_messages.h"
#include "wav/file_exception.h"

namespace {

constexpr mode_t kUsualMask = 022;

// The process's file-creation mask, read without changing it.
mode_t CurrentUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
    return kUsualMask;
}

// The old file's permissions, or those a newly created file would get.
mode_t ModeForOutput(const std::string& target, bool targetExists)
{
    struct stat info {};
    if (targetExists && stat(target.c_str(), &info) == 0)
        return info.st_mode & 07777;
    return 0666 & ~CurrentUmask();
}

}  // namespace

ReplacingFileSink::ReplacingFileSink(std::unique_ptr<FrameSink> inner, std::string inputPath,
                                     std::uint64_t predictedBytes)
    : m_pInner(std::move(inner))
    , m_strInputPath(std::move(inputPath))
    , m_nPredictedBytes(predictedBytes)
{
}

ReplacingFileSink::~ReplacingFileSink()
{
    // The wrapped sink closes its file first, then the file goes.
    m_pInner.reset();
    RemoveTemporary();
}

std::optional<RunMessage> ReplacingFileSink::Refuse(const std::string& reason) const
{
    return OutputFailure(m_strPath, reason);
}

std::optional<RunMessage> ReplacingFileSink::Create(const std::string& path)
{
    m_strPath = path;
    std::string reason;
    const OutputPlace place = FindOutputPlace(path, m_strInputPath, reason);
    if (!reason.empty())
        return Refuse(reason);
    reason = CheckRoom(place.m_strFolder, m_nPredictedBytes);
    if (!reason.empty())
        return Refuse(reason);
    m_strTarget = place.m_strTarget;
    reason = CreateTemporary(place.m_bExists);
    if (!reason.empty())
        return Refuse(reason);
    if (auto failure = m_pInner->Create(m_strTemporary)) {
        RemoveTemporary();
        return failure;
    }
    return std::nullopt;
}

// Reserves a unique hidden name beside the target, with the permissions the
// output is to have.
std::string ReplacingFileSink::CreateTemporary(bool targetExists)
{
    const std::filesystem::path target(m_strTarget);
    // Appended, not "." + name: GCC 12's optimiser reports a false overlap
    // (-Wrestrict, GCC bug 105651) in std::string's insert at the front.
    const std::string hiddenName = std::string(".").append(target.filename().string()).append(".XXXXXX");
    std::string pattern = (target.parent_path() / hiddenName).string();
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return DescribeSystemError(errno);
    const int modeError = fchmod(fd, ModeForOutput(m_strTarget, targetExists)) == 0 ? 0 : errno;
    close(fd);
    m_strTemporary = pattern;
    if (modeError != 0) {
        RemoveTemporary();
        return DescribeSystemError(modeError);
    }
    return {};
}

// A failure below names the temporary file, which the user never asked for:
// the error is raised again with the output's own name.
template <typename Operation>
void ReplacingFileSink::AsTheOutput(Operation operation)
{
    try {
        operation();
    } catch (const FileException& error) {
        throw FileException(error.GetCause(), m_strPath, error.GetOsError());
    }
}

void ReplacingFileSink::Write(const StereoFrame* frames, std::size_t count)
{
    AsTheOutput([&] { m_pInner->Write(frames, count); });
}

void ReplacingFileSink::Finish(bool cancelled)
{
    AsTheOutput([&] { m_pInner->Finish(cancelled); });
    if (cancelled) {
        RemoveTemporary();
        return;
    }
    if (std::rename(m_strTemporary.c_str(), m_strTarget.c_str()) != 0)
        throw FileException(FileException::Cause::Close, m_strPath, errno);
    m_strTemporary.clear();
}

void ReplacingFileSink::Discard()
{
    m_pInner->Discard();
    RemoveTemporary();
}

void ReplacingFileSink::RemoveTemporary()
{
    if (m_strTemporary.empty())
        return;
    unlink(m_strTemporary.c_str());
    m_strTemporary.clear();
}

#include "formats/replacing_file_sink.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "formats/output_place.h"
#include "formats/sound_file_messages.h"
#include "formats/stale_temporaries.h"
#include "formats/temporary_name.h"
#include "wav/file_exception.h"

namespace {

constexpr mode_t kUsualMask = 022;
// Names already taken are rare; this many tries find a free one.
constexpr int kNameTries = 100;

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

// The old file's owner, group and permissions go over to the new one: the
// owner only when root replaces it (nobody else may give a file away), the
// group where the user belongs to it, and neither on a disk that has no
// owners (a FAT stick). Permissions are set last, as a change of owner clears
// the set-user-ID bits.
int TakeOverOldFile(int fd, const struct stat& old)
{
    const uid_t owner = geteuid() == 0 ? old.st_uid : static_cast<uid_t>(-1);
    if (fchown(fd, owner, old.st_gid) != 0) {
        // Kept as this user's file, with the old permissions below.
    }
    return fchmod(fd, old.st_mode & 07777) == 0 ? 0 : errno;
}

int GiveUsualPermissions(int fd)
{
    return fchmod(fd, 0666 & ~CurrentUmask()) == 0 ? 0 : errno;
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
    CloseFolder();
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
    reason = OpenFolder(place.m_strFolder);
    if (!reason.empty())
        return Refuse(reason);
    RemoveStaleTemporaries(m_nFolderFd);
    reason = CheckRoom(place.m_strFolder, m_nPredictedBytes);
    if (!reason.empty())
        return Refuse(reason);
    m_strTargetName = std::filesystem::path(place.m_strTarget).filename().string();
    reason = CreateTemporary(place.m_bExists);
    if (!reason.empty())
        return Refuse(reason);
    m_strTemporary = PathInFolder(place.m_strFolder, m_strTemporaryName);
    if (auto failure = m_pInner->Create(m_strTemporary)) {
        failure->m_strText = NamingTheOutput(failure->m_strText);
        RemoveTemporary();
        return failure;
    }
    return std::nullopt;
}

// The wrapped sink names the file it was given, the hidden temporary one,
// which the user never asked for: its messages name the output instead.
std::string ReplacingFileSink::NamingTheOutput(std::string text) const
{
    const std::string temporary = PrintableName(m_strTemporary);
    const std::string output = PrintableName(m_strPath);
    for (std::size_t at = text.find(temporary); at != std::string::npos; at = text.find(temporary, at + output.size()))
        text.replace(at, temporary.size(), output);
    return text;
}

// Everything in the folder is done through this descriptor, so that the
// folder's path is read once and the names within it are all that count.
std::string ReplacingFileSink::OpenFolder(const std::string& folder)
{
    m_nFolderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_nFolderFd < 0)
        m_nFolderFd = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return m_nFolderFd < 0 ? DescribeSystemError(errno) : std::string();
}

// Reserves a new hidden name beside the target, with the owner and
// permissions the output is to have.
std::string ReplacingFileSink::CreateTemporary(bool targetExists)
{
    struct stat old {};
    const bool takeOver =
        targetExists && fstatat(m_nFolderFd, m_strTargetName.c_str(), &old, 0) == 0 && S_ISREG(old.st_mode);
    int fd = -1;
    for (int tries = 0; fd < 0 && tries < kNameTries; ++tries) {
        m_strTemporaryName =
            MakeTemporaryName(m_strTargetName, TemporaryHostName(), getpid(), RandomLettersAndDigits());
        fd = openat(m_nFolderFd, m_strTemporaryName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        const int error = errno;
        m_strTemporaryName.clear();
        return DescribeSystemError(error);
    }
    const int error = takeOver ? TakeOverOldFile(fd, old) : GiveUsualPermissions(fd);
    close(fd);
    if (error != 0) {
        RemoveTemporary();
        return DescribeSystemError(error);
    }
    return {};
}

// The path the wrapped sink opens: beside the output, or, where that path
// would be longer than the system takes, through the folder's descriptor.
std::string ReplacingFileSink::PathInFolder(const std::string& folder, const std::string& name) const
{
    const std::string beside = folder + "/" + name;
    if (beside.size() < PATH_MAX)
        return beside;
    return "/proc/self/fd/" + std::to_string(m_nFolderFd) + "/" + name;
}

// A failure below names the temporary file, which the user never asked for:
// the error is raised again with the output's own name.
template <typename Operation>
void ReplacingFileSink::AsTheOutput(Operation operation)
{
    try {
        operation();
    } catch (const FileException& error) {
        throw FileException(error.GetCause(), PrintableName(m_strPath), error.GetOsError());
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
    if (renameat(m_nFolderFd, m_strTemporaryName.c_str(), m_nFolderFd, m_strTargetName.c_str()) != 0)
        throw FileException(FileException::Cause::Close, PrintableName(m_strPath), errno);
    m_strTemporaryName.clear();
    m_strTemporary.clear();
}

void ReplacingFileSink::Discard()
{
    m_pInner->Discard();
    RemoveTemporary();
}

void ReplacingFileSink::RemoveTemporary()
{
    if (!m_strTemporaryName.empty())
        unlinkat(m_nFolderFd, m_strTemporaryName.c_str(), 0);
    m_strTemporaryName.clear();
    m_strTemporary.clear();
}

void ReplacingFileSink::CloseFolder()
{
    if (m_nFolderFd >= 0)
        close(m_nFolderFd);
    m_nFolderFd = -1;
}

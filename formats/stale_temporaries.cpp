#include "formats/stale_temporaries.h"

#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "formats/temporary_name.h"

namespace {

bool ProcessIsGone(pid_t pid)
{
    return pid > 0 && pid != getpid() && kill(pid, 0) != 0 && errno == ESRCH;
}

bool IsOursToRemove(int folderFd, const std::string& name)
{
    struct stat info {};
    if (fstatat(folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode))
        return false;
    return geteuid() == 0 || info.st_uid == geteuid();
}

// The folder's names that are temporary outputs of dead processes of this host.
std::vector<std::string> FindStale(int folderFd)
{
    std::vector<std::string> stale;
    const int listing = openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return stale;
    DIR* folder = fdopendir(listing);
    if (folder == nullptr) {
        close(listing);
        return stale;
    }
    const std::string host = TemporaryHostName();
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        const auto owner = ReadTemporaryName(name);
        if (owner && owner->m_strHost == host && ProcessIsGone(owner->m_nPid))
            stale.push_back(name);
    }
    closedir(folder);
    return stale;
}

}  // namespace

int RemoveStaleTemporaries(int folderFd)
{
    int removed = 0;
    for (const std::string& name : FindStale(folderFd)) {
        if (IsOursToRemove(folderFd, name) && unlinkat(folderFd, name.c_str(), 0) == 0)
            ++removed;
    }
    return removed;
}

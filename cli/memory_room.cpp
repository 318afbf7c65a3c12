#include "cli/memory_room.h"

#include <sys/resource.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

namespace {

constexpr std::uint64_t kKibibyte = 1024;

// A "Name:   1234 kB" line of a /proc file, in bytes.
std::optional<std::uint64_t> KibibyteField(const char* file, const std::string& name)
{
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(name + ":", 0) != 0)
            continue;
        std::istringstream value(line.substr(name.size() + 1));
        std::uint64_t kibibytes = 0;
        if (value >> kibibytes)
            return kibibytes * kKibibyte;
    }
    return std::nullopt;
}

// What a limit on this process leaves above what it uses of it already.
std::optional<std::uint64_t> LeftUnder(int resource, const char* usedField)
{
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::nullopt;
    const std::uint64_t used = KibibyteField("/proc/self/status", usedField).value_or(0);
    const auto allowed = static_cast<std::uint64_t>(limit.rlim_cur);
    return allowed > used ? allowed - used : 0;
}

void TakeSmaller(std::optional<std::uint64_t>& least, std::optional<std::uint64_t> bytes)
{
    if (bytes)
        least = least ? std::min(*least, *bytes) : *bytes;
}

}  // namespace

std::optional<std::uint64_t> AvailableMemoryBytes()
{
    std::optional<std::uint64_t> least;
    if (const auto available = KibibyteField("/proc/meminfo", "MemAvailable"))
        least = *available + KibibyteField("/proc/meminfo", "SwapFree").value_or(0);
    TakeSmaller(least, LeftUnder(RLIMIT_AS, "VmSize"));
    TakeSmaller(least, LeftUnder(RLIMIT_DATA, "VmData"));
    return least;
}

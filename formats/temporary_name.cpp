#include "formats/temporary_name.h"

#include <algorithm>
#include <climits>
#include <ctime>
#include <sys/random.h>
#include <unistd.h>

namespace {

constexpr char kMarker[] = ".sonnelith-";
constexpr std::size_t kRandomLength = 6;
constexpr std::size_t kLongestHost = 32;
constexpr std::size_t kLongestName = NAME_MAX;
constexpr char kLettersAndDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool IsAlphanumeric(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The first bytes of name, at most limit of them, not ending inside a UTF-8
// character (a lead byte is dropped with its continuation bytes).
std::string HeadOf(const std::string& name, std::size_t limit)
{
    if (name.size() <= limit)
        return name;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    return name.substr(0, end);
}

bool IsAllDigits(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string MakeTemporaryName(const std::string& outputName, const std::string& host, pid_t pid,
                              const std::string& random)
{
    const std::string owner = kMarker + host + "-" + std::to_string(pid) + "-" + random;
    const std::size_t room = kLongestName - 1 - std::min(owner.size(), kLongestName - 1);
    // Appended, not "." + head: GCC 12's optimiser reports a false overlap
    // (-Wrestrict, GCC bug 105651) in std::string's insert at the front.
    return std::string(".").append(HeadOf(outputName, room)).append(owner);
}

// Read from the end: the random part, the process, then the host back to the
// marker; the output's name before it may hold anything.
std::optional<TemporaryOwner> ReadTemporaryName(const std::string& name)
{
    const std::size_t marker = name.rfind(kMarker);
    if (name.empty() || name[0] != '.' || marker == std::string::npos)
        return std::nullopt;
    const std::string owner = name.substr(marker + sizeof kMarker - 1);
    const std::size_t lastDash = owner.rfind('-');
    if (lastDash == std::string::npos || lastDash == 0)
        return std::nullopt;
    const std::size_t pidDash = owner.rfind('-', lastDash - 1);
    if (pidDash == std::string::npos)
        return std::nullopt;
    const std::string random = owner.substr(lastDash + 1);
    const std::string pid = owner.substr(pidDash + 1, lastDash - pidDash - 1);
    const std::string host = owner.substr(0, pidDash);
    if (random.size() != kRandomLength || !std::all_of(random.begin(), random.end(), IsAlphanumeric) ||
        !IsAllDigits(pid) || pid.size() > 9 || host.empty())
        return std::nullopt;
    return TemporaryOwner{host, static_cast<pid_t>(std::stol(pid))};
}

std::string TemporaryHostName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "host";
    std::string host(name);
    host = host.substr(0, kLongestHost);
    std::replace_if(host.begin(), host.end(), [](char c) { return !IsAlphanumeric(c); }, '_');
    return host;
}

std::string RandomLettersAndDigits()
{
    unsigned char bytes[kRandomLength] = {};
    if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        // Early in boot: the clock and process still make a name that is new here.
        const auto mix = static_cast<unsigned long>(getpid()) * 2654435761u ^ static_cast<unsigned long>(time(nullptr));
        for (std::size_t i = 0; i < sizeof bytes; ++i)
            bytes[i] = static_cast<unsigned char>(mix >> (5 * i));
    }
    std::string random;
    for (const unsigned char byte : bytes)
        random += kLettersAndDigits[byte % (sizeof kLettersAndDigits - 1)];
    return random;
}

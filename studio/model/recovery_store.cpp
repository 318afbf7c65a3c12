#include "studio/model/recovery_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "score_file/score_limits.h"
#include "formats/temporary_name.h"
#include "studio/model/document_files.h"

namespace studio {

namespace fs = std::filesystem;

namespace {

constexpr char kHeading[] = "sonnelith-studio recovery 1";
constexpr char kTextMark[] = "text:";
constexpr char kRecoveryExtension[] = ".recovery";
constexpr char kLockExtension[] = ".lock";

// Paths may hold any byte but NUL: written as hex, one field a line.
std::string Hex(const std::string& text)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char c : text) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

std::optional<std::string> Unhex(const std::string& hex)
{
    if (hex.size() % 2 != 0)
        return std::nullopt;
    std::string text;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        if (!std::isxdigit(static_cast<unsigned char>(hex[i])) || !std::isxdigit(static_cast<unsigned char>(hex[i + 1])))
            return std::nullopt;
        text += static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16));
    }
    return text;
}

bool IsLockedByOther(const std::string& lockPath)
{
    const int fd = open(lockPath.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;  // no lock file: nobody holds the entry
    const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);
    return held;
}

}  // namespace

std::string RecoveryText(const RecoveryRecord& record)
{
    std::ostringstream text;
    text << kHeading << '\n'
         << "document " << Hex(record.m_strDocumentPath) << '\n'
         << "folder " << Hex(record.m_strFolder) << '\n'
         << "opened " << Hex(record.m_strOpenedFile) << '\n'
         << "seed " << record.m_nPreviewSeed << '\n'
         << "saved " << record.m_nSavedAt << '\n'
         << kTextMark << '\n'
         << record.m_strScoreText;
    return text.str();
}

std::optional<RecoveryRecord> ParseRecoveryText(const std::string& text)
{
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kHeading)
        return std::nullopt;
    RecoveryRecord record;
    bool document = false, folder = false, opened = false, seed = false, saved = false;
    while (std::getline(in, line)) {
        if (line == kTextMark) {
            const auto start = static_cast<std::size_t>(in.tellg());
            if (!in || start > text.size())
                return std::nullopt;
            record.m_strScoreText = text.substr(start);
            if (!(document && folder && opened && seed && saved))
                return std::nullopt;
            return record;
        }
        const auto space = line.find(' ');
        const std::string key = line.substr(0, space);
        const std::string value = space == std::string::npos ? std::string() : line.substr(space + 1);
        if (key == "seed" || key == "saved") {
            char* end = nullptr;
            const long long number = std::strtoll(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0')
                return std::nullopt;
            if (key == "seed") {
                record.m_nPreviewSeed = static_cast<std::uint32_t>(number);
                seed = true;
            } else {
                record.m_nSavedAt = number;
                saved = true;
            }
            continue;
        }
        const std::optional<std::string> decoded = Unhex(value);
        if (!decoded)
            return std::nullopt;
        if (key == "document") {
            record.m_strDocumentPath = *decoded;
            document = true;
        } else if (key == "folder") {
            record.m_strFolder = *decoded;
            folder = true;
        } else if (key == "opened") {
            record.m_strOpenedFile = *decoded;
            opened = true;
        }
    }
    return std::nullopt;
}

RecoveryStore::RecoveryStore(std::string folder) : m_strFolder(std::move(folder)) {}

RecoveryStore::~RecoveryStore()
{
    if (m_nLockFd >= 0)
        close(m_nLockFd);
}

std::string RecoveryStore::DefaultFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    fs::path base;
    if (state != nullptr && state[0] == '/') {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        base = fs::path(home != nullptr && home[0] != '\0' ? home : "/tmp") / ".local" / "state";
    }
    return (base / "sonnelith-studio" / "recovery").string();
}

bool RecoveryStore::TakeEntry()
{
    if (m_nLockFd >= 0)
        return true;
    std::error_code error;
    fs::create_directories(m_strFolder, error);
    const std::string name = "studio-" + std::to_string(getpid()) + "-" + RandomLettersAndDigits();
    const std::string lock = (fs::path(m_strFolder) / (name + kLockExtension)).string();
    const int fd = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    m_nLockFd = fd;
    m_strEntry = name;
    return true;
}

std::optional<std::string> RecoveryStore::Keep(const RecoveryRecord& record)
{
    if (!TakeEntry())
        return "the recovery folder " + m_strFolder + " cannot be written";
    const std::string path = (fs::path(m_strFolder) / (m_strEntry + kRecoveryExtension)).string();
    return WriteFileReplacing(path, RecoveryText(record));
}

void RecoveryStore::Clear()
{
    if (m_strEntry.empty())
        return;
    std::error_code error;
    fs::remove(fs::path(m_strFolder) / (m_strEntry + kRecoveryExtension), error);
}

std::vector<RecoveryRecord> RecoveryStore::FindLeftBehind() const
{
    std::vector<RecoveryRecord> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_strFolder, error)) {
        const fs::path& path = entry.path();
        if (path.extension() != kRecoveryExtension)
            continue;
        const std::string name = path.stem().string();
        if (name == m_strEntry)
            continue;
        const std::string lock = (fs::path(m_strFolder) / (name + kLockExtension)).string();
        if (IsLockedByOther(lock))
            continue;  // its studio still runs
        const std::optional<std::string> text = ReadSmallFile(path.string(), 2 * kLargestScoreBytes);
        if (!text)
            continue;
        std::optional<RecoveryRecord> record = ParseRecoveryText(*text);
        if (!record)
            continue;
        record->m_strEntry = name;
        found.push_back(std::move(*record));
    }
    std::sort(found.begin(), found.end(),
              [](const RecoveryRecord& a, const RecoveryRecord& b) { return a.m_nSavedAt > b.m_nSavedAt; });
    return found;
}

void RecoveryStore::Remove(const RecoveryRecord& record) const
{
    if (record.m_strEntry.empty() || record.m_strEntry == m_strEntry)
        return;
    std::error_code error;
    fs::remove(fs::path(m_strFolder) / (record.m_strEntry + kRecoveryExtension), error);
    const std::string lock = (fs::path(m_strFolder) / (record.m_strEntry + kLockExtension)).string();
    if (!IsLockedByOther(lock))
        fs::remove(lock, error);
}

}  // namespace studio
